// MainWindow: the tool's only top-level window. It builds every control at its fixed place,
// group by group, owns the Transmitter, turns the user's actions into transmitter
// operations (connect, read everything, write a setting with its range check and message)
// and polls the measured values once a second while "Číst" is ticked.
#pragma once

#include "comm_settings.h"

#include "choice_lists.h"
#include "standard_controls.h"
#include "transmitter.h"
#include "value_fields.h"
#include "window.h"

#include <cstdint>

class MainWindow : public Window {
public:
    static constexpr UINT_PTR POLL_TIMER_ID = 1;
    static constexpr UINT POLL_INTERVAL_MS = 1000;

    explicit MainWindow(LPCSTR captionText);
    ~MainWindow() override;

    void Dispatch(Message& message) override;
    void HandleChildCommand(Message& message, int controlId) override;
    void FillClassInfo(WNDCLASSA& windowClass) override;

    // MainWindow's own virtual operation, after Window's.
    virtual void OnCtlColorStatic(Message& message);

    void Connect();
    void RefreshAll();
    void RefreshMeasuredValues();
    void ReportWriteFailure();
    std::uint16_t ClampToWord(NumberEdit& edit);
    float ClampCorrection(NumberEdit& edit);

    PortComboBox* portCombo = nullptr;
    ValueLabel* identityField = nullptr;
    ValueLabel* firmwareField = nullptr;
    ValueLabel* serialNumberField = nullptr;
    AddressComboBox* addressCombo = nullptr;
    BaudComboBox* baudCombo = nullptr;
    ParityComboBox* parityCombo = nullptr;
    NumberEdit* level1Edit = nullptr;
    NumberEdit* level2Edit = nullptr;
    NumberEdit* frcEdit = nullptr;
    CheckBox* autoCalibrationCheck = nullptr;
    ValueLabel* temperatureField = nullptr;
    ValueLabel* relativeHumidityField = nullptr;
    ValueLabel* absoluteHumidityField = nullptr;
    ValueLabel* dewPointField = nullptr;
    ValueLabel* pressureField = nullptr;
    ValueLabel* co2Field = nullptr;
    ValueLabel* vocIndexField = nullptr;
    ValueLabel* operatingHoursField = nullptr;
    ValueLabel* statusField = nullptr;
    CheckBox* pollCheck = nullptr;
    NumberEdit* correctionEdits[Transmitter::CORRECTION_COUNT] = {};
    Transmitter* transmitter = nullptr;
    std::uint32_t pollTimerActive = 0;
    CommSettings commSettings{};

private:
    // Each group's controls at fixed offsets from its top-left corner.
    void BuildTopRow();
    void BuildCommunicationGroup(int left, int top);
    void BuildCo2Group(int left, int top);
    void BuildMeasuredValuesGroup(int left, int top);
    void BuildCorrectionsGroup(int left, int top);

    void ClearIdentity();
    void WriteLevel(NumberEdit& edit, bool (Transmitter::*write)(std::uint16_t));
    void ForcedRecalibration();
    void WriteDecimalCorrection(unsigned index);
    void WriteCo2Correction();
    void TogglePolling();
    void EditLinkSettings();
};
