// The registry export text: what is read, how it is written back, and what is refused.
#include "runtime/RegistryFile.h"

#include <gtest/gtest.h>

namespace {
// The form the registry writes: header, blank line, then each key parent first with its
// default value first, a blank line after each key.
constexpr const char* kCanonical =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CLASSES_ROOT\\CLSID]\n"
    "\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}]\n"
    "@=\"Hymnaro WaveDest\"\n"
    "\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{2CDE6ABB-C2FE-484E-AE4A-2534BE1388B9}\\InprocServer32]\n"
    "@=\"/opt/Hymnaro \\\"Rec\\\"/lib\\\\libhymnaro_wavedest.so\"\n" // quote and backslash escaped
    "\"ThreadingModel\"=\"Both\"\n"
    "\n"
    "[HKEY_CLASSES_ROOT\\Values]\n"
    "\"Merit\"=dword:00200000\n"
    "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\n"
    "  19,1a\n"                                        // 25 bytes a line, then continued
    "\"Multi\"=hex(7):41,00,00,00,42,00,00,00,00,00\n" // REG_MULTI_SZ "A", "B"
    "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\n"       // REG_SZ "a\nb" has no one-line form
    "\"Umlaut\"=\"Gr\xC3\xBC\xC3\x9F\x65\"\n"          // UTF-8 text
    "\n";

TEST(RegistryFile, CanonicalTextSurvivesARoundTrip) {
    const auto file = RegistryFile::Parse(kCanonical);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(kCanonical, file->Serialize());

    const auto* values = file->Find({u"HKEY_CLASSES_ROOT", u"values"}); // any letter case
    ASSERT_NE(nullptr, values);
    const auto* merit = RegistryFile::FindValue(*values, u"MERIT");
    ASSERT_NE(nullptr, merit);
    EXPECT_EQ(REG_DWORD, merit->type);
    EXPECT_EQ((std::vector<BYTE>{0x00, 0x00, 0x20, 0x00}), merit->data);
    const auto* umlaut = RegistryFile::FindValue(*values, u"Umlaut");
    ASSERT_NE(nullptr, umlaut);
    EXPECT_EQ(REG_SZ, umlaut->type);
    // "Grüße" in UTF-16 with its terminating 0.
    EXPECT_EQ((std::vector<BYTE>{'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0, 0, 0}), umlaut->data);
}

struct Variant {
    const char* what;
    const char* text;
    const char* written;
};

// Texts that are read and then written in the canonical form.
const Variant kVariants[] = {
    {"empty text is an empty registry", "", "Windows Registry Editor Version 5.00\n\n"},
    {"byte-order mark, CRLF lines, comments and blank lines",
     "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
     "[HKEY_CLASSES_ROOT\\A]\r\n@=\"x\"\r\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n@=\"x\"\n\n"},
    {"a key without its parent's section gets the parent",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A\\B\\C]\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n\n"
     "[HKEY_CLASSES_ROOT\\A\\B]\n\n[HKEY_CLASSES_ROOT\\A\\B\\C]\n\n"},
    {"sections of one key in another letter case merge, the later value wins",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\Key]\n\"v\"=\"1\"\n"
     "[HKEY_CLASSES_ROOT\\KEY]\n\"V\"=\"2\"\n@=\"d\"\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\Key]\n@=\"d\"\n\"v\"=\"2\"\n\n"},
    {"keys are written in component order, whatever order they came in",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\b]\n[HKEY_CLASSES_ROOT\\A B]\n"
     "[HKEY_CLASSES_ROOT\\A\\x]\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n\n"
     "[HKEY_CLASSES_ROOT\\A\\x]\n\n[HKEY_CLASSES_ROOT\\A B]\n\n[HKEY_CLASSES_ROOT\\b]\n\n"},
    {"short upper-case dword, spaced and continued hex",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n\"d\"=dword:1F\n"
     "\"h\"=hex(3): 0A , 0b,\\\n   0c\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n\"d\"=dword:0000001f\n"
     "\"h\"=hex:0a,0b,0c\n\n"},
    {"REG_SZ in hex with its one-line form is written as text",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n@=hex(1):6f,00,6b,00,00,00\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n@=\"ok\"\n\n"},
    {"other roots are kept", "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n",
     "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\n"},
};

TEST(RegistryFile, ReadsTheFormatsVariantsAndWritesItsOwnForm) {
    for (const Variant& v : kVariants) {
        const auto file = RegistryFile::Parse(v.text);
        ASSERT_TRUE(file.has_value()) << v.what;
        EXPECT_EQ(v.written, file->Serialize()) << v.what;
    }
}

struct Refused {
    const char* what;
    const char* text;
};

// Texts the registry does not take as its own: rewriting them would lose what they hold.
const Refused kRefused[] = {
    {"another first line", "REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n"},
    {"a value before any key", "Windows Registry Editor Version 5.00\n@=\"x\"\n"},
    {"a key deletion", "Windows Registry Editor Version 5.00\n[-HKEY_CLASSES_ROOT\\A]\n"},
    {"a value deletion", "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n\"v\"=-\n"},
    {"an empty key name", "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\\\A]\n"},
    {"an unterminated text",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n@=\"x\n"},
    {"an unknown escape",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n@=\"\\n\"\n"},
    {"text after the closing quote",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n@=\"x\" y\n"},
    {"a dword of nine digits",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n\"d\"=dword:123456789\n"},
    {"a broken hex list",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n\"h\"=hex:0,1\n"},
    {"a continuation at the end",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n\"h\"=hex:01,\\\n"},
    {"invalid UTF-8",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\n@=\"\xC3(\"\n"},
    {"an unquoted value name",
     "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\A]\nv=\"x\"\n"},
};

TEST(RegistryFile, RefusesTextsItCannotKeepWhole) {
    for (const Refused& r : kRefused)
        EXPECT_FALSE(RegistryFile::Parse(r.text).has_value()) << r.what;
}

TEST(RegistryFile, DeletesTreesAndKnowsSubkeys) {
    auto file = RegistryFile::Parse("Windows Registry Editor Version 5.00\n"
                                    "[HKEY_CLASSES_ROOT\\A\\B\\C]\n[HKEY_CLASSES_ROOT\\A B]\n");
    ASSERT_TRUE(file.has_value());
    const RegistryFile::KeyPath a{u"HKEY_CLASSES_ROOT", u"A"}, ab{u"HKEY_CLASSES_ROOT", u"a", u"b"};
    EXPECT_TRUE(file->HasSubKeys(a));
    EXPECT_FALSE(file->HasSubKeys({u"HKEY_CLASSES_ROOT", u"A B"}));
    file->EraseSubKeys(ab);
    EXPECT_TRUE(file->Exists(ab));
    EXPECT_FALSE(file->HasSubKeys(ab));
    file->EraseTree(a);
    EXPECT_FALSE(file->Exists(a));
    EXPECT_TRUE(file->Exists({u"HKEY_CLASSES_ROOT", u"A B"})); // a sibling sorted between
    EXPECT_TRUE(file->Exists({u"HKEY_CLASSES_ROOT"}));         // a root always exists
}
} // namespace
