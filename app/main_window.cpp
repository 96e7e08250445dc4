#include "main_window.h"

#include "comm_settings_dialog.h"
#include "scaling.h"

#include "application.h"
#include "baud_rate_table.h"
#include "window_proc.h"

#include <cstring>

namespace {

constexpr int PORT_COMBO_ID = 101;
constexpr int LINK_SETTINGS_ID = 102;
constexpr int ADDRESS_COMBO_ID = 104;
constexpr int BAUD_COMBO_ID = 105;
constexpr int PARITY_COMBO_ID = 106;
constexpr int RESTART_ID = 107;
constexpr int LEVEL1_WRITE_ID = 108;
constexpr int LEVEL2_WRITE_ID = 109;
constexpr int FRC_WRITE_ID = 110;
constexpr int AUTO_CALIBRATION_ID = 111;
constexpr int POLL_CHECK_ID = 112;
constexpr int FIRST_CORRECTION_WRITE_ID = 113;
constexpr int CO2_CORRECTION_WRITE_ID = 118;

constexpr DWORD MAIN_WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int MAIN_WINDOW_WIDTH = 585;
constexpr int MAIN_WINDOW_HEIGHT = 423;

constexpr COLORREF LIGHT_GREY = RGB(192, 192, 192);

// What a port name can be: the longest the registry list keeps.
constexpr int PORT_NAME_LENGTH = 7;

constexpr char IDENTITY[] = "MEQ";

NumberEdit* DigitsOnly(NumberEdit* edit)
{
    edit->style |= ES_NUMBER;
    return edit;
}

}  // namespace

MainWindow::MainWindow(LPCSTR captionText) : Window(nullptr, captionText)
{
    style = MAIN_WINDOW_STYLE;
    width = MAIN_WINDOW_WIDTH;
    height = MAIN_WINDOW_HEIGHT;

    // Construction order is the Tab order.
    BuildTopRow();
    BuildCommunicationGroup(10, 90);
    BuildCo2Group(10, 255);
    BuildMeasuredValuesGroup(190, 90);
    BuildCorrectionsGroup(430, 90);

    commSettings = INITIAL_COMM_SETTINGS;
    transmitter = new Transmitter;
    EnableKeyboardNavigation();
}

MainWindow::~MainWindow()
{
    // The timer first, while the window still exists; the transmitter last, so that no
    // tick can reach a closed-down object.
    if (pollTimerActive != 0) {
        KillTimer(handle, POLL_TIMER_ID);
        pollTimerActive = 0;
    }
    DestroyHandleAndChildren();
    delete transmitter;
    transmitter = nullptr;
}

void MainWindow::BuildTopRow()
{
    new StaticText(this, "Port:", 403, 14, 35, 18, 0, 0);
    portCombo = new PortComboBox(this, 448, 10, 80, 160, PORT_COMBO_ID);
    new Button(this, "...", 538, 10, 32, 24, LINK_SETTINGS_ID);
    new StaticText(this, "Převodník:", 10, 10, 90, 20, 0, 0);
    identityField = new ValueLabel(this, nullptr, 110, 10, 100, 20);
    new StaticText(this, "Firmware:", 10, 35, 90, 20, 0, 0);
    firmwareField = new ValueLabel(this, nullptr, 110, 35, 100, 20);
    new StaticText(this, "Výrobní číslo:", 10, 60, 90, 20, 0, 0);
    serialNumberField = new ValueLabel(this, nullptr, 110, 60, 100, 20);
}

void MainWindow::BuildCommunicationGroup(int left, int top)
{
    new GroupBox(this, "Komunikace:", left, top, 170, 155, 0);
    new StaticText(this, "Adresa", left + 10, top + 27, 65, 20, 0, 0);
    addressCombo = new AddressComboBox(this, left + 85, top + 25, 75, 200, ADDRESS_COMBO_ID, 0, false);
    new StaticText(this, "Rychlost", left + 10, top + 57, 65, 20, 0, 0);
    baudCombo = new BaudComboBox(this, left + 85, top + 55, 75, 200, BAUD_COMBO_ID, 0, false);
    new StaticText(this, "Parita", left + 10, top + 87, 65, 20, 0, 0);
    parityCombo = new ParityComboBox(this, left + 85, top + 85, 75, 200, PARITY_COMBO_ID, 0, false);
    new Button(this, "Restart", left + 10, top + 122, 150, 22, RESTART_ID);
}

void MainWindow::BuildCo2Group(int left, int top)
{
    new GroupBox(this, "CO2:", left, top, 170, 130, 0);
    new StaticText(this, "L1", left + 10, top + 25, 30, 20, 0, 0);
    level1Edit = DigitsOnly(new NumberEdit(this, nullptr, left + 50, top + 25, 50, 20, 0));
    new Button(this, "Zápis", left + 110, top + 25, 50, 20, LEVEL1_WRITE_ID);
    new StaticText(this, "L2", left + 10, top + 50, 30, 20, 0, 0);
    level2Edit = DigitsOnly(new NumberEdit(this, nullptr, left + 50, top + 50, 50, 20, 0));
    new Button(this, "Zápis", left + 110, top + 50, 50, 20, LEVEL2_WRITE_ID);
    new StaticText(this, "FRC", left + 10, top + 75, 30, 20, 0, 0);
    frcEdit = DigitsOnly(new NumberEdit(this, nullptr, left + 50, top + 75, 50, 20, 0));
    new Button(this, "Zápis", left + 110, top + 75, 50, 20, FRC_WRITE_ID);
    autoCalibrationCheck = new CheckBox(this, "Auto kalibrace", left + 10, top + 100, 150, 20, AUTO_CALIBRATION_ID);
}

void MainWindow::BuildMeasuredValuesGroup(int left, int top)
{
    new GroupBox(this, "Hodnoty včetně korekce:", left, top, 230, 295, 0);
    const struct {
        const char* label;
        int row;
        ValueLabel* MainWindow::*field;
    } rows[] = {
        {"Teplota [°C]", 25, &MainWindow::temperatureField},
        {"Rel. vlhkost [%]", 50, &MainWindow::relativeHumidityField},
        {"Abs. vlhkost [g/m3]", 75, &MainWindow::absoluteHumidityField},
        {"Rosný bod [°C]", 100, &MainWindow::dewPointField},
        {"Abs. tlak [hPa]", 125, &MainWindow::pressureField},
        {"CO2 [ppm]", 150, &MainWindow::co2Field},
        // A gap of 40 sets the VOC index and what follows apart from the corrected values.
        {"VOC index", 190, &MainWindow::vocIndexField},
        {"Doba provozu [hod]", 215, &MainWindow::operatingHoursField},
        {"Status", 240, &MainWindow::statusField},
    };
    for (const auto& row : rows) {
        new StaticText(this, row.label, left + 10, top + row.row, 130, 20, 0, 0);
        this->*row.field = new ValueLabel(this, nullptr, left + 150, top + row.row, 70, 20);
    }
    pollCheck = new CheckBox(this, "Číst", left + 10, top + 265, 60, 20, POLL_CHECK_ID);
}

void MainWindow::BuildCorrectionsGroup(int left, int top)
{
    new GroupBox(this, "Korekce:", left, top, 140, 295, 0);
    // No labels: correction k stands on the row of measured value k.
    for (unsigned k = 0; k < Transmitter::CORRECTION_COUNT; ++k) {
        const int row = top + 25 + 25 * static_cast<int>(k);
        correctionEdits[k] = new NumberEdit(this, nullptr, left + 10, row, 60, 20, 0);
        new Button(this, "Zápis", left + 80, row, 50, 20, FIRST_CORRECTION_WRITE_ID + static_cast<int>(k));
    }
}

void MainWindow::Dispatch(Message& message)
{
    switch (message.message) {
    case WM_CTLCOLORSTATIC: OnCtlColorStatic(message); break;
    // Every tick, whatever its timer: the window has only the polling one.
    case WM_TIMER: RefreshMeasuredValues(); break;
    default: Window::Dispatch(message); break;
    }
}

void MainWindow::FillClassInfo(WNDCLASSA& windowClass)
{
    Window::FillClassInfo(windowClass);
    windowClass.hIcon = LoadIconA(ModuleInstance(), MAKEINTRESOURCEA(1));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

void MainWindow::OnCtlColorStatic(Message& message)
{
    SetBkColor(reinterpret_cast<HDC>(message.wParam), LIGHT_GREY);
    message.result = reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

void MainWindow::HandleChildCommand(Message& message, int controlId)
{
    const bool selectionChanged = HIWORD(message.wParam) == CBN_SELCHANGE;
    switch (controlId) {
    case PORT_COMBO_ID:
        if (selectionChanged) {
            Connect();
        }
        break;
    case LINK_SETTINGS_ID: EditLinkSettings(); break;
    case ADDRESS_COMBO_ID:
        if (selectionChanged) {
            transmitter->WriteAddress(static_cast<std::uint8_t>(addressCombo->GetSelection() + 1));
        }
        break;
    case BAUD_COMBO_ID:
        if (selectionChanged) {
            transmitter->WriteBaud(static_cast<std::uint8_t>(baudCombo->GetSelection()));
        }
        break;
    case PARITY_COMBO_ID:
        if (selectionChanged) {
            transmitter->WriteParity(static_cast<std::uint8_t>(parityCombo->GetSelection()));
        }
        break;
    case RESTART_ID: transmitter->Restart(); break;
    case LEVEL1_WRITE_ID: WriteLevel(*level1Edit, &Transmitter::WriteCo2Level1); break;
    case LEVEL2_WRITE_ID: WriteLevel(*level2Edit, &Transmitter::WriteCo2Level2); break;
    case FRC_WRITE_ID: ForcedRecalibration(); break;
    case AUTO_CALIBRATION_ID:
        transmitter->WriteAutoCalibration(static_cast<std::uint16_t>(autoCalibrationCheck->CheckState()));
        break;
    case POLL_CHECK_ID: TogglePolling(); break;
    case CO2_CORRECTION_WRITE_ID: WriteCo2Correction(); break;
    default:
        if (controlId >= FIRST_CORRECTION_WRITE_ID && controlId < CO2_CORRECTION_WRITE_ID) {
            WriteDecimalCorrection(static_cast<unsigned>(controlId - FIRST_CORRECTION_WRITE_ID));
        } else {
            Window::HandleChildCommand(message, controlId);
        }
        break;
    }
}

void MainWindow::ClearIdentity()
{
    identityField->ClearText();
    firmwareField->ClearText();
    serialNumberField->ClearText();
}

void MainWindow::Connect()
{
    char portName[PORT_NAME_LENGTH + 1] = {};
    portCombo->GetSelectedText(portName, PORT_NAME_LENGTH);
    if (!transmitter->Open(portName)) {
        ClearIdentity();
        return;
    }
    // The dialog only stores indexes of the table; anything else is no line to talk on.
    if (commSettings.baudIndex >= BAUD_RATE_COUNT) {
        transmitter->Close();
        ClearIdentity();
        return;
    }
    transmitter->SetLink(BaudRateTable[commSettings.baudIndex], commSettings.parityIndex, commSettings.address);
    const char* const reported = transmitter->ReadIdentity();
    if (reported == nullptr) {
        transmitter->Close();
        ClearIdentity();
        return;
    }
    if (std::strcmp(reported, IDENTITY) == 0) {
        identityField->WriteText(reported);
        RefreshAll();
        return;
    }
    // Ticks go on while the box is open; keep the caption apart from the transmitter.
    char boxCaption[16] = {};
    std::strncpy(boxCaption, reported, sizeof boxCaption - 1);
    MessageBoxA(handle, "Převodník není kompatibilní s tímto nástrojem.", boxCaption, MB_OK | MB_ICONERROR);
    transmitter->Close();
    ClearIdentity();
}

void MainWindow::RefreshAll()
{
    std::uint16_t firmware = 0;
    if (transmitter->ReadFirmware(firmware)) {
        firmwareField->ShowFirmware(firmware);
    }
    std::uint32_t serialNumber = 0;
    if (transmitter->ReadSerialNumber(serialNumber)) {
        serialNumberField->ShowInteger(static_cast<std::int32_t>(serialNumber));
    }
    TransmitterCommSettings link{};
    if (transmitter->ReadCommSettings(link)) {
        // Address 0 reads as position -1: no selection, as for any value not in a list.
        addressCombo->SetSelection(static_cast<int>(link.address) - 1);
        baudCombo->SetSelection(link.baudIndex);
        parityCombo->SetSelection(link.parityIndex);
    }
    Co2Settings co2{};
    if (transmitter->ReadCo2Settings(co2)) {
        level1Edit->SetInteger(co2.level1);
        level2Edit->SetInteger(co2.level2);
        autoCalibrationCheck->SetCheckState(co2.autoCalibration);
    }
    RefreshMeasuredValues();
    CorrectionValues corrections{};
    if (transmitter->ReadCorrections(corrections)) {
        for (unsigned k = 0; k + 1 < Transmitter::CORRECTION_COUNT; ++k) {
            correctionEdits[k]->SetDecimal(Hundredths(std::int32_t{corrections.values[k]}));
        }
        correctionEdits[Transmitter::CORRECTION_COUNT - 1]->SetInteger(
            corrections.values[Transmitter::CORRECTION_COUNT - 1]);
    }
}

void MainWindow::RefreshMeasuredValues()
{
    MeasuredValues values{};
    if (!transmitter->ReadMeasuredValues(values)) {
        return;
    }
    temperatureField->ShowDecimal(Hundredths(std::int32_t{values.temperature}));
    relativeHumidityField->ShowDecimal(Hundredths(std::int32_t{values.relativeHumidity}));
    absoluteHumidityField->ShowDecimal(Hundredths(std::int32_t{values.absoluteHumidity}));
    dewPointField->ShowDecimal(Hundredths(std::int32_t{values.dewPoint}));
    pressureField->ShowDecimal(Hundredths(values.absolutePressure));
    co2Field->ShowInteger(values.co2);
    vocIndexField->ShowInteger(values.vocIndex);
    operatingHoursField->ShowInteger(values.operatingHours);
    statusField->ShowHex(values.status);
}

void MainWindow::ReportWriteFailure()
{
    // Only an answer that refuses is worth a message; silence is already plain to see.
    if (transmitter->LastException() != 0) {
        MessageBoxA(handle, "Hodnota mimo rozsah.", "Chyba", MB_OK | MB_ICONWARNING);
    }
}

std::uint16_t MainWindow::ClampToWord(NumberEdit& edit)
{
    return LimitToWord(edit.GetInteger());
}

float MainWindow::ClampCorrection(NumberEdit& edit)
{
    return LimitCorrection(edit.GetDecimal());
}

void MainWindow::WriteLevel(NumberEdit& edit, bool (Transmitter::*write)(std::uint16_t))
{
    const std::uint16_t value = ClampToWord(edit);
    if ((transmitter->*write)(value)) {
        edit.SetInteger(value);
    } else {
        ReportWriteFailure();
    }
}

void MainWindow::ForcedRecalibration()
{
    const std::uint16_t reference = ClampToWord(*frcEdit);
    std::uint16_t status = 0;
    if (!transmitter->ReadStatus(status)) {
        return;
    }
    if ((status & Transmitter::STATUS_SENSOR_READY) == 0) {
        MessageBoxA(handle, "Senzor není připraven.", "Rekalibrace", MB_OK | MB_ICONWARNING);
        return;
    }
    if (transmitter->WriteForcedRecalibration(reference)) {
        frcEdit->SetInteger(reference);
    } else {
        ReportWriteFailure();
    }
}

void MainWindow::WriteDecimalCorrection(unsigned index)
{
    NumberEdit& edit = *correctionEdits[index];
    const float value = ClampCorrection(edit);
    if (transmitter->WriteCorrection(index, CorrectionRegister(value))) {
        edit.SetDecimal(value);
    } else {
        ReportWriteFailure();
    }
}

void MainWindow::WriteCo2Correction()
{
    const unsigned index = Transmitter::CORRECTION_COUNT - 1;
    NumberEdit& edit = *correctionEdits[index];
    const std::int16_t value = Co2CorrectionRegister(edit.GetDecimal());
    if (transmitter->WriteCorrection(index, value)) {
        edit.SetInteger(value);
    } else {
        ReportWriteFailure();
    }
}

void MainWindow::TogglePolling()
{
    // The click has already changed the check box.
    if (pollCheck->CheckState() != 0) {
        if (pollTimerActive == 0) {
            RefreshMeasuredValues();
            // 0 when the system has no timer to give: a later click tries again.
            pollTimerActive = SetTimer(handle, POLL_TIMER_ID, POLL_INTERVAL_MS, nullptr) != 0 ? 1u : 0u;
        }
    } else if (pollTimerActive != 0) {
        KillTimer(handle, POLL_TIMER_ID);
        pollTimerActive = 0;
    }
}

void MainWindow::EditLinkSettings()
{
    auto* const dialog = new CommSettingsDialog(this, &commSettings);
    INT_PTR result = IDCANCEL;
    if (application != nullptr) {
        result = application->RunDialog(dialog);
    } else {
        result = dialog->RunModal();
        delete dialog;
    }
    if (result == IDOK) {
        Connect();
    }
}
