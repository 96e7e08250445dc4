// rc2cpp: turns the program's resource script into a C++ source that registers each
// resource with the Win32 stand-in before main, with the bytes a Windows resource compiler
// (windres) would link into the program.
//
//     rc2cpp SCRIPT.rc OUTPUT.cpp
//     rc2cpp --res SCRIPT.rc OUTPUT.res   the same resources as a .res file, to hold
//                                         against windres's for any script
//
// It reads the part of the resource-script language that the program's script uses:
// comments, #define of numeric expressions, LANGUAGE, DIALOG (STYLE, EXSTYLE, CAPTION,
// CONTROL items), ICON and VERSIONINFO (the fixed part, StringFileInfo, VarFileInfo).
// Anything else is reported with its line, and no output is left behind.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Error : std::exception {
    std::string text;
    explicit Error(std::string t) : text(std::move(t)) {}
    const char* what() const noexcept override { return text.c_str(); }
};

// ---- Tokens --------------------------------------------------------------------------

struct Token {
    enum class Kind { End, Number, String, Name, Punct };
    Kind kind = Kind::End;
    std::string text;  // a name, the punctuation, or the string's contents
    std::uint32_t value = 0;
    int line = 0;
};

[[noreturn]] void Fail(const std::string& file, int line, const std::string& message)
{
    throw Error(file + ":" + std::to_string(line) + ": " + message);
}

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// Splits the script into tokens, dropping comments and collecting #define lines.
class Lexer {
public:
    Lexer(std::string file, const std::string& source) : file_(std::move(file)), src_(source) {}

    std::vector<Token> Run(std::map<std::string, std::vector<Token>>& defines)
    {
        std::vector<Token> out;
        bool lineStart = true;
        while (pos_ < src_.size()) {
            const char c = src_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                lineStart = true;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
                continue;
            }
            if (SkipComment()) {
                continue;
            }
            if (c == '#') {
                if (!lineStart) {
                    Fail(file_, line_, "'#' in the middle of a line");
                }
                Directive(defines);
                continue;
            }
            lineStart = false;
            out.push_back(Next());
        }
        Token end;
        end.line = line_;
        out.push_back(end);
        return out;
    }

private:
    bool SkipComment()
    {
        if (src_.compare(pos_, 2, "//") == 0) {
            while (pos_ < src_.size() && src_[pos_] != '\n') {
                ++pos_;
            }
            return true;
        }
        if (src_.compare(pos_, 2, "/*") == 0) {
            const int startLine = line_;
            pos_ += 2;
            while (pos_ < src_.size() && src_.compare(pos_, 2, "*/") != 0) {
                if (src_[pos_] == '\n') {
                    ++line_;
                }
                ++pos_;
            }
            if (pos_ >= src_.size()) {
                Fail(file_, startLine, "unterminated comment");
            }
            pos_ += 2;
            return true;
        }
        return false;
    }

    // "#define NAME tokens..." up to the end of the line; nothing else.
    void Directive(std::map<std::string, std::vector<Token>>& defines)
    {
        const int at = line_;
        ++pos_;
        std::string word;
        while (pos_ < src_.size() && (src_[pos_] == ' ' || src_[pos_] == '\t')) {
            ++pos_;
        }
        while (pos_ < src_.size() && IsNameChar(src_[pos_])) {
            word.push_back(src_[pos_++]);
        }
        if (word != "define") {
            Fail(file_, at, "unsupported directive '#" + word + "' (only #define is read)");
        }
        std::vector<Token> body;
        std::string name;
        while (pos_ < src_.size() && src_[pos_] != '\n') {
            const char c = src_[pos_];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
                continue;
            }
            if (src_.compare(pos_, 2, "//") == 0) {
                SkipComment();
                break;
            }
            if (src_.compare(pos_, 2, "/*") == 0) {
                const int before = line_;
                SkipComment();
                if (line_ != before) {
                    Fail(file_, at, "a comment that spans lines inside #define");
                }
                continue;
            }
            if (c == '\\') {
                Fail(file_, at, "line continuation in #define is not supported");
            }
            if (name.empty()) {
                if (!IsNameStart(c)) {
                    Fail(file_, at, "#define needs a name");
                }
                while (pos_ < src_.size() && IsNameChar(src_[pos_])) {
                    name.push_back(src_[pos_++]);
                }
                if (pos_ < src_.size() && src_[pos_] == '(') {
                    Fail(file_, at, "macros with parameters are not supported");
                }
                continue;
            }
            body.push_back(Next());
        }
        if (name.empty()) {
            Fail(file_, at, "#define needs a name");
        }
        if (defines.count(name) != 0) {
            Fail(file_, at, "'" + name + "' is defined twice");
        }
        defines[name] = std::move(body);
    }

    Token Next()
    {
        Token t;
        t.line = line_;
        const char c = src_[pos_];
        if (c >= '0' && c <= '9') {
            t.kind = Token::Kind::Number;
            std::uint64_t v = 0;
            int base = 10;
            if (c == '0' && pos_ + 1 < src_.size() && (src_[pos_ + 1] == 'x' || src_[pos_ + 1] == 'X')) {
                base = 16;
                pos_ += 2;
            }
            std::size_t digits = 0;
            for (; pos_ < src_.size(); ++pos_, ++digits) {
                const char d = src_[pos_];
                int n = -1;
                if (d >= '0' && d <= '9') {
                    n = d - '0';
                } else if (base == 16 && d >= 'a' && d <= 'f') {
                    n = d - 'a' + 10;
                } else if (base == 16 && d >= 'A' && d <= 'F') {
                    n = d - 'A' + 10;
                }
                if (n < 0) {
                    break;
                }
                v = v * static_cast<unsigned>(base) + static_cast<unsigned>(n);
                if (v > 0xFFFFFFFFu) {
                    Fail(file_, line_, "number does not fit in 32 bits");
                }
            }
            if (digits == 0) {
                Fail(file_, line_, "hexadecimal number without digits");
            }
            while (pos_ < src_.size() && (src_[pos_] == 'L' || src_[pos_] == 'l' || src_[pos_] == 'U' ||
                                          src_[pos_] == 'u')) {
                ++pos_;
            }
            if (pos_ < src_.size() && IsNameChar(src_[pos_])) {
                Fail(file_, line_, "malformed number");
            }
            t.value = static_cast<std::uint32_t>(v);
            return t;
        }
        if (IsNameStart(c)) {
            t.kind = Token::Kind::Name;
            while (pos_ < src_.size() && IsNameChar(src_[pos_])) {
                t.text.push_back(src_[pos_++]);
            }
            return t;
        }
        if (c == '"') {
            t.kind = Token::Kind::String;
            ++pos_;
            for (;;) {
                if (pos_ >= src_.size() || src_[pos_] == '\n') {
                    Fail(file_, t.line, "unterminated string");
                }
                const char s = src_[pos_++];
                if (s == '"') {
                    if (pos_ < src_.size() && src_[pos_] == '"') {  // "" is one quote
                        t.text.push_back('"');
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (s == '\\') {
                    Fail(file_, t.line, "escape sequences in strings are not supported");
                }
                if (static_cast<unsigned char>(s) >= 0x80 || static_cast<unsigned char>(s) < 0x20) {
                    // The two compilers would have to agree on a code page first.
                    Fail(file_, t.line, "strings must be printable ASCII");
                }
                t.text.push_back(s);
            }
            return t;
        }
        static const std::string punct = ",|&^~()+-*/%{}";
        if (punct.find(c) != std::string::npos) {
            t.kind = Token::Kind::Punct;
            t.text = std::string(1, c);
            ++pos_;
            return t;
        }
        Fail(file_, line_, std::string("unexpected character '") + c + "'");
    }

    std::string file_;
    const std::string& src_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// ---- Binary output helpers -----------------------------------------------------------

void Put16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void Set16(Bytes& b, std::size_t at, std::size_t v)
{
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// UTF-16 text with its terminating zero; the texts are ASCII.
void PutText(Bytes& b, const std::string& s)
{
    for (const char c : s) {
        Put16(b, static_cast<unsigned char>(c));
    }
    Put16(b, 0);
}

void Align4(Bytes& b)
{
    while (b.size() % 4 != 0) {
        b.push_back(0);
    }
}

std::uint32_t Get16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(const Bytes& b, std::size_t at)
{
    return Get16(b, at) | (Get16(b, at + 2) << 16);
}

// ---- Resources -----------------------------------------------------------------------

constexpr std::uint32_t RT_ICON = 3;
constexpr std::uint32_t RT_DIALOG = 5;
constexpr std::uint32_t RT_GROUP_ICON = 14;
constexpr std::uint32_t RT_VERSION = 16;

constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
// WS_POPUP | WS_BORDER | WS_SYSMENU: a DIALOG without a STYLE statement.
constexpr std::uint32_t DIALOG_DEFAULT_STYLE = 0x80880000;

struct Resource {
    std::uint32_t type = 0;
    std::uint32_t name = 0;
    std::uint32_t language = 0;
    Bytes data;
};

// A text or a numeric id (an ordinal), as dialog templates hold them.
struct TextOrId {
    std::optional<std::uint32_t> id;
    std::string text;

    void Put(Bytes& b) const
    {
        if (id) {
            Put16(b, 0xFFFF);
            Put16(b, *id);
        } else {
            PutText(b, text);
        }
    }
};

struct VersionNode {
    std::string key;
    bool isText = false;            // a string value (type 1) or binary words (type 0)
    std::string text;
    std::vector<std::uint32_t> words;
    std::vector<VersionNode> children;
};

// wLength, wValueLength, wType, the key, then the value and the children, each on a
// 32-bit boundary; wLength covers everything up to the end of the last child's data.
void PutVersionNode(Bytes& b, const VersionNode& n, std::size_t valueLength, std::uint32_t type,
                    const Bytes& value)
{
    const std::size_t start = b.size();
    Put16(b, 0);
    Put16(b, static_cast<std::uint32_t>(valueLength));
    Put16(b, type);
    PutText(b, n.key);
    Align4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const VersionNode& child : n.children) {
        Align4(b);
        Bytes childValue;
        std::size_t childLength = 0;
        std::uint32_t childType = 1;
        if (child.isText) {
            PutText(childValue, child.text);
            childLength = child.text.size() + 1;  // in characters, with the zero
        } else if (!child.words.empty()) {
            for (const std::uint32_t w : child.words) {
                Put16(childValue, w);
            }
            childLength = childValue.size();  // in bytes
            childType = 0;
        }
        PutVersionNode(b, child, childLength, childType, childValue);
    }
    const std::size_t length = b.size() - start;
    if (length > 0xFFFF) {
        throw Error("version block '" + n.key + "' is larger than 64 KiB");
    }
    Set16(b, start, length);
}

// ---- Parser --------------------------------------------------------------------------

class Parser {
public:
    Parser(std::string file, std::vector<Token> tokens, std::map<std::string, std::vector<Token>> defines)
        : file_(std::move(file)), defines_(std::move(defines))
    {
        for (const Token& t : tokens) {
            Expand(t, t.text, 0, tokens_);
        }
    }

    std::vector<Resource> Run()
    {
        std::vector<Resource> out;
        while (Peek().kind != Token::Kind::End) {
            if (IsName("LANGUAGE")) {
                Take();
                const std::uint32_t primary = Expression();
                Expect(",");
                const std::uint32_t sub = Expression();
                if (primary > 0x3FF || sub > 0x3F) {
                    Fail(file_, Peek().line, "language out of range");
                }
                language_ = (sub << 10) | primary;
                continue;
            }
            const int line = Peek().line;
            const std::uint32_t name = ResourceName();
            const Token kind = Take();
            if (kind.kind != Token::Kind::Name) {
                Fail(file_, kind.line, "resource type expected");
            }
            if (kind.text == "DIALOG") {
                out.push_back(Dialog(name));
            } else if (kind.text == "ICON") {
                Icon(name, out);
            } else if (kind.text == "VERSIONINFO") {
                out.push_back(Version(name));
            } else {
                Fail(file_, kind.line, "unsupported resource type '" + kind.text + "'");
            }
            for (std::size_t i = 0; i + 1 < out.size(); ++i) {
                if (out[i].type == out.back().type && out[i].name == out.back().name &&
                    out[i].language == out.back().language) {
                    Fail(file_, line, "duplicate resource " + std::to_string(name));
                }
            }
        }
        return out;
    }

private:
    // `origin` is the name written in the script, for the message.
    void Expand(const Token& t, const std::string& origin, int depth, std::vector<Token>& out)
    {
        if (t.kind == Token::Kind::Name) {
            const auto it = defines_.find(t.text);
            if (it != defines_.end()) {
                if (depth > 16) {
                    Fail(file_, t.line, "'" + origin + "' expands without end");
                }
                for (Token inner : it->second) {
                    inner.line = t.line;
                    Expand(inner, origin, depth + 1, out);
                }
                return;
            }
        }
        out.push_back(t);
    }

    const Token& Peek() const { return tokens_[at_]; }

    Token Take()
    {
        const Token t = tokens_[at_];
        if (t.kind != Token::Kind::End) {
            ++at_;
        }
        return t;
    }

    bool IsName(const char* word) const { return Peek().kind == Token::Kind::Name && Peek().text == word; }
    bool IsPunct(const char* p) const { return Peek().kind == Token::Kind::Punct && Peek().text == p; }

    void Expect(const char* p)
    {
        if (!IsPunct(p)) {
            Fail(file_, Peek().line, std::string("'") + p + "' expected" + Found());
        }
        Take();
    }

    std::string Found() const
    {
        const Token& t = Peek();
        switch (t.kind) {
        case Token::Kind::End: return ", found the end of the script";
        case Token::Kind::Number: return ", found " + std::to_string(t.value);
        case Token::Kind::String: return ", found \"" + t.text + "\"";
        default: return ", found '" + t.text + "'";
        }
    }

    std::string String()
    {
        if (Peek().kind != Token::Kind::String) {
            Fail(file_, Peek().line, "string expected" + Found());
        }
        return Take().text;
    }

    // BEGIN or {, END or }.
    void Begin()
    {
        if (IsName("BEGIN") || IsPunct("{")) {
            Take();
            return;
        }
        Fail(file_, Peek().line, "BEGIN expected" + Found());
    }

    bool AtEnd() const
    {
        if (Peek().kind == Token::Kind::End) {
            Fail(file_, Peek().line, "END expected, found the end of the script");
        }
        return IsName("END") || IsPunct("}");
    }

    void End()
    {
        if (!AtEnd()) {
            Fail(file_, Peek().line, "END expected" + Found());
        }
        Take();
    }

    std::uint32_t ResourceName()
    {
        const Token& t = Peek();
        if (t.kind != Token::Kind::Number) {
            Fail(file_, t.line, "numeric resource id expected (named resources are not supported)" + Found());
        }
        const std::uint32_t id = Take().value;
        if (id == 0 || id > 0xFFFF) {
            Fail(file_, t.line, "resource id must be 1 to 65535");
        }
        return id;
    }

    // C precedence: | ^ & then + - then * / %, then the unary operators.
    std::uint32_t Expression() { return Or(); }

    std::uint32_t Or()
    {
        std::uint32_t v = Xor();
        while (IsPunct("|")) {
            Take();
            v |= Xor();
        }
        return v;
    }

    std::uint32_t Xor()
    {
        std::uint32_t v = And();
        while (IsPunct("^")) {
            Take();
            v ^= And();
        }
        return v;
    }

    std::uint32_t And()
    {
        std::uint32_t v = Sum();
        while (IsPunct("&")) {
            Take();
            v &= Sum();
        }
        return v;
    }

    std::uint32_t Sum()
    {
        std::uint32_t v = Product();
        while (IsPunct("+") || IsPunct("-")) {
            const bool plus = Take().text == "+";
            const std::uint32_t r = Product();
            v = plus ? v + r : v - r;
        }
        return v;
    }

    std::uint32_t Product()
    {
        std::uint32_t v = Unary();
        while (IsPunct("*") || IsPunct("/") || IsPunct("%")) {
            const Token op = Take();
            const std::uint32_t r = Unary();
            if (op.text == "*") {
                v *= r;
            } else if (r == 0) {
                Fail(file_, op.line, "division by zero");
            } else {
                v = op.text == "/" ? v / r : v % r;
            }
        }
        return v;
    }

    std::uint32_t Unary()
    {
        const Token& t = Peek();
        if (IsPunct("~")) {
            Take();
            return ~Unary();
        }
        if (IsPunct("-")) {
            Take();
            return 0u - Unary();
        }
        if (IsPunct("(")) {
            Take();
            const std::uint32_t v = Expression();
            Expect(")");
            return v;
        }
        if (t.kind == Token::Kind::Number) {
            return Take().value;
        }
        if (t.kind == Token::Kind::Name) {
            Fail(file_, t.line, "'" + t.text + "' is not defined");
        }
        Fail(file_, t.line, "number expected" + Found());
    }

    std::uint32_t Word16(const char* what)
    {
        const int line = Peek().line;
        const std::uint32_t v = Expression();
        // Coordinates may be negative; they are stored as 16-bit two's complement.
        if (v > 0xFFFF && v < 0xFFFF8000u) {
            Fail(file_, line, std::string(what) + " does not fit in 16 bits");
        }
        return v & 0xFFFF;
    }

    Resource Dialog(std::uint32_t name)
    {
        std::uint32_t box[4];
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                Expect(",");
            }
            box[i] = Word16("dialog position");
        }
        std::optional<std::uint32_t> style;
        std::uint32_t exStyle = 0;
        std::optional<std::string> caption;
        while (!IsName("BEGIN") && !IsPunct("{")) {
            const Token t = Take();
            if (t.kind == Token::Kind::Name && t.text == "STYLE") {
                style = Expression();
            } else if (t.kind == Token::Kind::Name && t.text == "EXSTYLE") {
                exStyle = Expression();
            } else if (t.kind == Token::Kind::Name && t.text == "CAPTION") {
                caption = String();
            } else {
                Fail(file_, t.line, "STYLE, EXSTYLE, CAPTION or BEGIN expected");
            }
        }
        Begin();

        struct Item {
            TextOrId text;
            std::uint32_t id = 0;
            TextOrId cls;
            std::uint32_t style = 0;
            std::uint32_t exStyle = 0;
            std::uint32_t box[4] = {};
        };
        std::vector<Item> items;
        while (!AtEnd()) {
            const Token t = Take();
            if (t.kind != Token::Kind::Name || t.text != "CONTROL") {
                Fail(file_, t.line, "only CONTROL items are supported in a DIALOG");
            }
            Item item;
            if (Peek().kind == Token::Kind::String) {
                item.text.text = Take().text;
            } else {
                item.text.id = Word16("control text id");
            }
            Expect(",");
            item.id = Word16("control id");
            Expect(",");
            if (Peek().kind == Token::Kind::String) {
                // windres stores a class name in upper case.
                for (const char c : Take().text) {
                    item.cls.text.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
                }
            } else {
                item.cls.id = Word16("control class");
            }
            Expect(",");
            // Controls are always visible children, whatever the style says.
            item.style = Expression() | WS_CHILD | WS_VISIBLE;
            for (int i = 0; i < 4; ++i) {
                Expect(",");
                item.box[i] = Word16("control position");
            }
            if (IsPunct(",")) {
                Take();
                item.exStyle = Expression();
            }
            items.push_back(std::move(item));
        }
        End();
        if (items.size() > 0xFFFF) {
            Fail(file_, Peek().line, "too many controls");
        }

        Resource r{RT_DIALOG, name, language_, {}};
        Bytes& b = r.data;
        Put32(b, style.value_or(DIALOG_DEFAULT_STYLE) | (caption ? WS_CAPTION : 0));
        Put32(b, exStyle);
        Put16(b, static_cast<std::uint32_t>(items.size()));
        for (const std::uint32_t v : box) {
            Put16(b, v);
        }
        Put16(b, 0);  // no menu
        Put16(b, 0);  // the default class
        PutText(b, caption.value_or(""));
        for (const Item& item : items) {
            Align4(b);
            Put32(b, item.style);
            Put32(b, item.exStyle);
            for (const std::uint32_t v : item.box) {
                Put16(b, v);
            }
            Put16(b, item.id);
            item.cls.Put(b);
            item.text.Put(b);
            Put16(b, 0);  // no creation data
        }
        return r;
    }

    void Icon(std::uint32_t name, std::vector<Resource>& out)
    {
        const int line = Peek().line;
        const std::filesystem::path path = std::filesystem::path(file_).parent_path() / String();
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            Fail(file_, line, "cannot open icon file " + path.string());
        }
        const Bytes ico((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string where = path.string() + ": ";
        if (ico.size() < 6 || Get16(ico, 0) != 0 || Get16(ico, 2) != 1) {
            Fail(file_, line, where + "not an icon file");
        }
        const std::uint32_t count = Get16(ico, 4);
        if (count == 0 || ico.size() < 6 + 16 * static_cast<std::size_t>(count)) {
            Fail(file_, line, where + "icon directory is empty or cut short");
        }
        Resource group{RT_GROUP_ICON, name, language_, {}};
        Put16(group.data, 0);
        Put16(group.data, 1);
        Put16(group.data, count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t e = 6 + 16 * static_cast<std::size_t>(i);
            const std::uint32_t size = Get32(ico, e + 8);
            const std::uint32_t offset = Get32(ico, e + 12);
            if (offset > ico.size() || size > ico.size() - offset || size == 0) {
                Fail(file_, line, where + "image " + std::to_string(i + 1) + " lies outside the file");
            }
            if (nextIconId_ > 0xFFFF) {
                Fail(file_, line, "too many icon images");
            }
            const std::uint32_t id = nextIconId_++;
            Resource image{RT_ICON, id, language_, Bytes(ico.begin() + offset, ico.begin() + offset + size)};
            // GRPICONDIRENTRY: the directory entry, with the image's id in place of its offset.
            // Icon files often leave planes and bit count 0; windres fills them in.
            const std::uint32_t colours = ico[e + 2];
            std::uint32_t planes = Get16(ico, e + 4);
            std::uint32_t bits = Get16(ico, e + 6);
            if (planes == 0) {
                planes = 1;
            }
            if (bits == 0) {
                while ((1u << bits) < colours) {
                    ++bits;
                }
            }
            group.data.insert(group.data.end(), ico.begin() + static_cast<std::ptrdiff_t>(e),
                              ico.begin() + static_cast<std::ptrdiff_t>(e + 4));
            Put16(group.data, planes);
            Put16(group.data, bits);
            Put32(group.data, size);
            Put16(group.data, id);
            out.push_back(std::move(image));
        }
        out.push_back(std::move(group));
    }

    Resource Version(std::uint32_t name)
    {
        std::uint32_t fixed[4] = {};  // file version MS and LS, product version MS and LS
        std::uint32_t flagsMask = 0;
        std::uint32_t flags = 0;
        std::uint32_t os = 0;
        std::uint32_t type = 0;
        std::uint32_t subtype = 0;
        while (!IsName("BEGIN") && !IsPunct("{")) {
            const Token t = Take();
            if (t.kind != Token::Kind::Name) {
                Fail(file_, t.line, "version statement or BEGIN expected");
            }
            if (t.text == "FILEVERSION" || t.text == "PRODUCTVERSION") {
                std::uint32_t part[4] = {};
                for (int i = 0; i < 4; ++i) {
                    if (i > 0) {
                        if (!IsPunct(",")) {
                            break;
                        }
                        Take();
                    }
                    part[i] = Word16("version number");
                }
                const int at = t.text == "FILEVERSION" ? 0 : 2;
                fixed[at] = (part[0] << 16) | part[1];
                fixed[at + 1] = (part[2] << 16) | part[3];
            } else if (t.text == "FILEFLAGSMASK") {
                flagsMask = Expression();
            } else if (t.text == "FILEFLAGS") {
                flags = Expression();
            } else if (t.text == "FILEOS") {
                os = Expression();
            } else if (t.text == "FILETYPE") {
                type = Expression();
            } else if (t.text == "FILESUBTYPE") {
                subtype = Expression();
            } else {
                Fail(file_, t.line, "unknown version statement '" + t.text + "'");
            }
        }
        VersionNode root;
        root.key = "VS_VERSION_INFO";
        Begin();
        while (!AtEnd()) {
            const Token t = Take();
            if (t.kind != Token::Kind::Name || t.text != "BLOCK") {
                Fail(file_, t.line, "BLOCK expected");
            }
            VersionNode block;
            block.key = String();
            if (block.key == "StringFileInfo") {
                Begin();
                while (!AtEnd()) {
                    const Token b = Take();
                    if (b.kind != Token::Kind::Name || b.text != "BLOCK") {
                        Fail(file_, b.line, "BLOCK of a language and code page expected");
                    }
                    VersionNode table;
                    table.key = String();
                    Begin();
                    while (!AtEnd()) {
                        const Token v = Take();
                        if (v.kind != Token::Kind::Name || v.text != "VALUE") {
                            Fail(file_, v.line, "VALUE expected");
                        }
                        VersionNode value;
                        value.key = String();
                        Expect(",");
                        value.isText = true;
                        value.text = String();
                        table.children.push_back(std::move(value));
                    }
                    End();
                    block.children.push_back(std::move(table));
                }
                End();
            } else if (block.key == "VarFileInfo") {
                Begin();
                while (!AtEnd()) {
                    const Token v = Take();
                    if (v.kind != Token::Kind::Name || v.text != "VALUE") {
                        Fail(file_, v.line, "VALUE expected");
                    }
                    VersionNode value;
                    value.key = String();
                    // Pairs of language and code page.
                    do {
                        Expect(",");
                        value.words.push_back(Word16("language"));
                        Expect(",");
                        value.words.push_back(Word16("code page"));
                    } while (IsPunct(","));
                    block.children.push_back(std::move(value));
                }
                End();
            } else {
                Fail(file_, t.line, "block must be StringFileInfo or VarFileInfo");
            }
            root.children.push_back(std::move(block));
        }
        End();

        // VS_FIXEDFILEINFO
        Bytes info;
        Put32(info, 0xFEEF04BD);
        Put32(info, 0x00010000);
        for (int i = 0; i < 4; ++i) {
            Put32(info, fixed[i]);
        }
        Put32(info, flagsMask);
        Put32(info, flags);
        Put32(info, os);
        Put32(info, type);
        Put32(info, subtype);
        Put32(info, 0);  // no file date
        Put32(info, 0);
        Resource r{RT_VERSION, name, language_, {}};
        PutVersionNode(r.data, root, info.size(), 0, info);
        return r;
    }

    std::string file_;
    std::map<std::string, std::vector<Token>> defines_;
    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    std::uint32_t language_ = 0x0409;  // windres's default, until a LANGUAGE statement
    std::uint32_t nextIconId_ = 1;
};

// ---- The generated source ------------------------------------------------------------

const char* TypeName(std::uint32_t type)
{
    switch (type) {
    case RT_ICON: return "RT_ICON";
    case RT_DIALOG: return "RT_DIALOG";
    case RT_GROUP_ICON: return "RT_GROUP_ICON";
    case RT_VERSION: return "RT_VERSION";
    default: return nullptr;
    }
}

std::string Hex(std::uint32_t v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, static_cast<unsigned>(v));
    return buf;
}

std::string Generate(const std::string& scriptName, const std::vector<Resource>& resources)
{
    std::ostringstream o;
    o << "// Generated by rc2cpp from " << scriptName << ". Do not edit.\n"
      << "#include \"resource_table.h\"\n"
      << "#include \"posix/user_resources.h\"\n\n"
      << "namespace {\n\n";
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        o << "// " << TypeName(r.type) << " " << r.name << ", language " << Hex(r.language, 4) << "\n";
        o << "const BYTE data" << i << "[] = {";
        for (std::size_t k = 0; k < r.data.size(); ++k) {
            o << (k % 16 == 0 ? "\n    " : " ") << Hex(r.data[k], 2) << ",";
        }
        o << "\n};\n\n";
    }
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        o << "const winapi_posix::ResourceEntry entry" << i << "(" << TypeName(r.type) << ", MAKEINTRESOURCEA("
          << r.name << "), " << Hex(r.language, 4) << ", data" << i << ", sizeof data" << i << ");\n";
    }
    o << "\nconst meq_resources::Resource table[] = {\n";
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        o << "    {" << r.type << ", " << r.name << ", " << Hex(r.language, 4) << ", data" << i << ", sizeof data" << i
          << "},\n";
    }
    o << "};\n\n"
      << "}  // namespace\n\n"
      << "std::span<const meq_resources::Resource> meq_resources::Table()\n"
      << "{\n    return table;\n}\n";
    return o.str();
}

// The 32-bit .res layout: an empty first entry, then per resource its data size, header
// size, type, name, data version, memory flags, language, version and characteristics,
// and the data padded to 32 bits.
std::string ResFile(const std::vector<Resource>& resources)
{
    Bytes b;
    const auto entry = [&b](std::uint32_t type, std::uint32_t name, std::uint32_t language, const Bytes& data) {
        Put32(b, static_cast<std::uint32_t>(data.size()));
        Put32(b, 32);
        Put16(b, 0xFFFF);
        Put16(b, type);
        Put16(b, 0xFFFF);
        Put16(b, name);
        Put32(b, 0);
        Put16(b, type == 0 ? 0 : 0x1030);  // moveable, pure, discardable
        Put16(b, language);
        Put32(b, 0);
        Put32(b, 0);
        b.insert(b.end(), data.begin(), data.end());
        Align4(b);
    };
    entry(0, 0, 0, {});
    for (const Resource& r : resources) {
        entry(r.type, r.name, r.language, r.data);
    }
    return std::string(b.begin(), b.end());
}

int Main(int argc, char** argv)
{
    const bool res = argc == 4 && std::string(argv[1]) == "--res";
    if (argc != 3 && !res) {
        std::fprintf(stderr, "usage: rc2cpp [--res] SCRIPT.rc OUTPUT\n");
        return 2;
    }
    const std::string script = argv[argc - 2];
    const std::filesystem::path output = argv[argc - 1];
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "rc2cpp: cannot open %s\n", script.c_str());
        return 1;
    }
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::map<std::string, std::vector<Token>> defines;
    std::vector<Token> tokens = Lexer(script, source).Run(defines);
    const std::vector<Resource> resources = Parser(script, std::move(tokens), std::move(defines)).Run();
    if (resources.empty()) {
        throw Error(script + ": no resources");
    }
    const std::string text =
        res ? ResFile(resources) : Generate(std::filesystem::path(script).filename().string(), resources);

    // Written beside and renamed, so that a failed run leaves no half file to compile.
    std::filesystem::path temp = output;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::filesystem::remove(temp);
            throw Error("cannot write " + temp.string());
        }
    }
    std::filesystem::rename(temp, output);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Main(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rc2cpp: %s\n", e.what());
        if (argc >= 3) {
            std::error_code ignored;
            std::filesystem::remove(argv[argc - 1], ignored);
            std::filesystem::remove(std::string(argv[argc - 1]) + ".tmp", ignored);
        }
        return 1;
    }
}
