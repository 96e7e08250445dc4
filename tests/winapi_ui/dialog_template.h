// Builds dialog templates in the standard in-memory form, the way the resource compiler
// lays them out: header, menu, class and title, then each item on a DWORD boundary.
#pragma once

#include "winapi.h"

#include <cstring>
#include <vector>

namespace {

class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, short x, short y, short cx, short cy, const char* caption)
    {
        Dword(style);
        Dword(0);
        countAt = bytes.size();
        Word(0);
        for (short v : {x, y, cx, cy}) {
            Word(static_cast<WORD>(v));
        }
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(caption);
    }
    TemplateBuilder& Item(WORD atom, WORD id, const char* text, DWORD style, short x, short y, short cx, short cy)
    {
        while (bytes.size() % 4 != 0) {
            bytes.push_back(0);
        }
        Dword(style);
        Dword(0);
        for (short v : {x, y, cx, cy}) {
            Word(static_cast<WORD>(v));
        }
        Word(id);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);  // no creation data
        ++count;
        std::memcpy(bytes.data() + countAt, &count, sizeof count);
        return *this;
    }
    const std::vector<BYTE>& Bytes() const { return bytes; }

private:
    void Word(WORD w)
    {
        bytes.push_back(static_cast<BYTE>(w & 0xFF));
        bytes.push_back(static_cast<BYTE>(w >> 8));
    }
    void Dword(DWORD d)
    {
        Word(static_cast<WORD>(d & 0xFFFF));
        Word(static_cast<WORD>(d >> 16));
    }
    void Text(const char* text)
    {
        for (const char* p = text; *p != '\0'; ++p) {
            Word(static_cast<unsigned char>(*p));
        }
        Word(0);
    }

    std::vector<BYTE> bytes;
    std::size_t countAt = 0;
    WORD count = 0;
};

constexpr WORD BUTTON = 0x80;
constexpr WORD STATIC = 0x82;
constexpr WORD COMBOBOX = 0x85;

}  // namespace
