// rc2cpp on scripts other than the program's: the forms of the language it reads come out
// as windres makes them, and a broken script fails with its line and leaves no output.
#include "res_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <stdlib.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using res_file::Bytes;

class Rc2cpp : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "rc2cpp-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void Write(const std::string& name, const std::string& content) const
    {
        std::ofstream(dir / name, std::ios::binary) << content;
    }

    // Runs a command with its error output in `errors`; the exit status.
    int Run(const std::string& command)
    {
        const fs::path err = dir / "stderr.txt";
        const int status = std::system((command + " 2>'" + err.string() + "'").c_str());
        std::ifstream in(err);
        errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int Rc2cppRes(const std::string& script, const fs::path& out)
    {
        return Run(std::string("'") + MEQ_RC2CPP + "' --res '" + (dir / script).string() + "' '" + out.string() + "'");
    }

    fs::path dir;
    std::string errors;
};

// An icon file of two images, the directory leaving planes and bit count 0 as many
// drawing programs do.
std::string TwoImageIcon()
{
    std::string f;
    const auto put16 = [&f](unsigned v) {
        f.push_back(static_cast<char>(v & 0xFF));
        f.push_back(static_cast<char>(v >> 8));
    };
    const auto put32 = [&](unsigned v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put16(0);
    put16(1);
    put16(2);
    const unsigned sizes[2] = {40 + 64 + 128 + 64, 40 + 8 + 128 + 128};
    const unsigned dims[2] = {16, 32};
    const unsigned colours[2] = {16, 2};
    unsigned offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        f.push_back(static_cast<char>(dims[i]));
        f.push_back(static_cast<char>(dims[i]));
        f.push_back(static_cast<char>(colours[i]));
        f.push_back(0);
        put16(0);
        put16(0);
        put32(sizes[i]);
        put32(offset);
        offset += sizes[i];
    }
    for (int i = 0; i < 2; ++i) {
        put32(40);
        put32(dims[i]);
        put32(dims[i] * 2);
        put16(1);
        put16(i == 0 ? 4 : 1);
        for (unsigned k = 16; k < sizes[i]; ++k) {
            f.push_back(static_cast<char>(k * 7 + static_cast<unsigned>(i)));
        }
    }
    return f;
}

struct AgreeCase {
    const char* what;
    const char* script;
};

class AgreesWithWindres : public Rc2cpp, public ::testing::WithParamInterface<AgreeCase> {};

TEST_P(AgreesWithWindres, ByteForByte)
{
    SCOPED_TRACE(GetParam().what);
    Write("case.rc", GetParam().script);
    Write("two.ico", TwoImageIcon());
    const fs::path ours = dir / "ours.res";
    const fs::path theirs = dir / "theirs.res";
    ASSERT_EQ(Run(std::string("'") + MEQ_WINDRES + "' -O res '" + (dir / "case.rc").string() + "' '" +
                  theirs.string() + "'"),
              0)
        << "windres: " << errors;
    ASSERT_EQ(Rc2cppRes("case.rc", ours), 0) << errors;

    const auto a = res_file::Parse(res_file::ReadFile(theirs.string()));
    const auto b = res_file::Parse(res_file::ReadFile(ours.string()));
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->size(), b->size());
    for (const auto& e : *a) {
        SCOPED_TRACE("type " + std::to_string(e.type) + ", name " + std::to_string(e.name));
        const auto it = std::find_if(b->begin(), b->end(), [&](const res_file::Entry& x) { return x.Key() == e.Key(); });
        ASSERT_NE(it, b->end()) << "language " << e.language;
        EXPECT_EQ(it->data, e.data);
    }
}

const AgreeCase AGREE_CASES[] = {
    {"a dialog's default style, a caption, no items",
     "2 DIALOG 1, 2, 3, 4\nCAPTION \"Caption\"\nBEGIN\nEND\n3 DIALOG 0, 0, 9, 9\n{\n}\n"},
    {"controls: class names, text ordinals, expressions, negative places, extended styles",
     "#define BASE 0x50000000L /* a comment */\n"
     "7 DIALOG 10, 20, 3 + 4, (1 | 2) * 3\n"
     "STYLE BASE | 0x80\nEXSTYLE 0x8\n"
     "BEGIN\n"
     "  CONTROL \"Push \"\"me\"\"\", 1, \"Button\", 0x1 | 0x2, -5, 7, 10, 0x10 - 2, 0x200\n"
     "  CONTROL 5, 2, 0x82, (0xF7 & ~0x3C) | 0x1, 1, 2, 3, 4\n"
     "  CONTROL \"x\", 3, \"my_class\", BASE, 0, 0, 1, 1\n"
     "END\n"},
    {"languages change between resources; icons are numbered across the script",
     "LANGUAGE 7, 1\n1 ICON \"two.ico\"\nLANGUAGE 0x09, 0x01\n4 ICON \"two.ico\"\n"},
    {"a version block of several tables, odd lengths and empty values",
     "1 VERSIONINFO\nFILEVERSION 3, 4\nPRODUCTVERSION 1,2,3,4\nFILEFLAGS 0x2\nFILEOS 0x4\n"
     "BEGIN\n  BLOCK \"StringFileInfo\"\n  BEGIN\n"
     "    BLOCK \"040704B0\"\n    BEGIN\n      VALUE \"A\", \"xyz\"\n      VALUE \"Bc\", \"\"\n    END\n"
     "    BLOCK \"040904E4\"\n    BEGIN\n      VALUE \"Comments\", \"a \"\"quoted\"\" word\"\n    END\n"
     "  END\n  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x407, 1200, 0x409, 1252\n  END\nEND\n"},
};

INSTANTIATE_TEST_SUITE_P(Scripts, AgreesWithWindres, ::testing::ValuesIn(AGREE_CASES),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

struct BadCase {
    const char* script;
    const char* message;  // expected in the error output
};

class RejectsBadScript : public Rc2cpp, public ::testing::WithParamInterface<BadCase> {};

TEST_P(RejectsBadScript, WithItsLineAndNoOutput)
{
    Write("bad.rc", GetParam().script);
    Write("cut.ico", std::string("\0\0\1\0\1\0\x20\x20", 8));
    Write("outside.ico", std::string("\0\0\1\0\1\0\x20\x20\x10\0\1\0\4\0\xE8\2\0\0\x16\0\0\0", 22));
    const fs::path out = dir / "out.cpp";
    Write("out.cpp", "stale");
    EXPECT_EQ(Run(std::string("'") + MEQ_RC2CPP + "' '" + (dir / "bad.rc").string() + "' '" + out.string() + "'"), 1);
    EXPECT_NE(errors.find(GetParam().message), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(out)) << "a stale or half output would be compiled";
    EXPECT_FALSE(fs::exists(dir / "out.cpp.tmp"));
}

const BadCase BAD_CASES[] = {
    {"#include <windows.h>\n", "bad.rc:1: unsupported directive '#include'"},
    {"1 DIALOG 1, 2, 3, 4\nCAPTION \"open\nBEGIN\nEND\n", "bad.rc:2: unterminated string"},
    {"/* never closed\n1 DIALOG 1, 2, 3, 4\n", "bad.rc:1: unterminated comment"},
    {"1 DIALOG 1, 2, 3, WIDE\nBEGIN\nEND\n", "bad.rc:1: 'WIDE' is not defined"},
    {"1 DIALOG 1, 2, 3, 70000\nBEGIN\nEND\n", "bad.rc:1: dialog position does not fit in 16 bits"},
    {"1 DIALOG 1, 2, 3, 4\nBEGIN\n  CONTROL \"a\", 1, 0x80, 0, 1, 2, 3\nEND\n", "bad.rc:4: ',' expected"},
    {"1 DIALOG 1, 2, 3, 4\nBEGIN\n  CONTROL \"a\", 1, 0x80, 0, 1, 2, 3, 4\n", "bad.rc:4: END expected"},
    {"1 DIALOG 1, 2, 3, 4\nBEGIN\n  PUSHBUTTON \"a\", 1, 1, 2, 3, 4\nEND\n", "bad.rc:3: only CONTROL items"},
    {"1 DIALOG 1, 2, 3, 4\nCAPTION \"caf\xc3\xa9\"\nBEGIN\nEND\n", "bad.rc:2: strings must be printable ASCII"},
    {"1 DIALOG 1, 2, 3, 4 / 0\nBEGIN\nEND\n", "bad.rc:1: division by zero"},
    {"MAIN DIALOG 1, 2, 3, 4\nBEGIN\nEND\n", "bad.rc:1: numeric resource id expected"},
    {"0 DIALOG 1, 2, 3, 4\nBEGIN\nEND\n", "bad.rc:1: resource id must be 1 to 65535"},
    {"1 MENU\nBEGIN\nEND\n", "bad.rc:1: unsupported resource type 'MENU'"},
    {"1 DIALOG 1,2,3,4\nBEGIN\nEND\n\n1 DIALOG 1,2,3,4\nBEGIN\nEND\n", "bad.rc:5: duplicate resource 1"},
    {"#define A B\n#define B A\n1 DIALOG A, 2, 3, 4\n", "bad.rc:3: 'A' expands without end"},
    {"#define A 1\n#define A 2\n", "bad.rc:2: 'A' is defined twice"},
    {"1 ICON \"missing.ico\"\n", "bad.rc:1: cannot open icon file"},
    {"1 ICON \"cut.ico\"\n", "icon directory is empty or cut short"},
    {"1 ICON \"outside.ico\"\n", "image 1 lies outside the file"},
    {"1 VERSIONINFO\nBEGIN\n  BLOCK \"Other\"\n  BEGIN\n  END\nEND\n", "bad.rc:3: block must be StringFileInfo or VarFileInfo"},
    {"1 VERSIONINFO\nBEGIN\n  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x409\n  END\nEND\n",
     "bad.rc:6: ',' expected"},
    {"// nothing but a comment\n", "no resources"},
};

INSTANTIATE_TEST_SUITE_P(Scripts, RejectsBadScript, ::testing::ValuesIn(BAD_CASES),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

}  // namespace
