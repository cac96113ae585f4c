#include "shell/cls_reg.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>

#include "common/error_handler.h"
#include "settings/settings_store.h"
#include "support/child_process.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::InChild;
using test::TempTree;

constexpr const char* kKey = "Software\\Brantwick\\Dorvane";

struct Reported {
  long number;
  std::string location;
};

class ClsRegTest : public ::testing::Test {
 protected:
  void SetUp() override { ::chmod(tree.Root().c_str(), 0755); }

  RegKey Open(const std::string& subkey = kKey) {
    RegKey h = 0;
    reg.OpenCreateRegistryKey(HKEY_LOCAL_MACHINE, subkey, h);
    return h;
  }
  std::string MachineFile() const { return env.ConfigDirs() + "/Brantwick/Dorvane.ini"; }
  std::string Locations() const {
    std::string out;
    for (const auto& r : reports) out += (out.empty() ? "" : " ") + std::to_string(r.number) + "@" + r.location;
    return out;
  }

  TempTree tree;
  test::IsolatedEnvironment env{tree};
  std::vector<Reported> reports;
  clsReg reg{[this](const Error& e, const std::string& where) { reports.push_back({e.Number(), where}); }};
};

// --- Opening, creating, checking keys ----------------------------------------------------------------------------

TEST_F(ClsRegTest, OpenCreatesTheKeyInTheMachineFile) {
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, kKey), reg::NotFound);
  EXPECT_FALSE(TempTree::Exists(MachineFile())) << "checking creates nothing";

  RegKey h = Open();
  ASSERT_NE(h, 0u);
  EXPECT_FALSE(reg.IsReadOnly(h));
  EXPECT_EQ(reg.OpenHandleCount(), 1u);
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, kKey), reg::Success);
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, "software/BRANTWICK\\dorvane"), reg::Success);
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, "Software\\Brantwick"), reg::Success);
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, "Software\\Brantwick\\Dorvane\\Missing"), reg::NotFound);
  EXPECT_EQ(reg.CheckForRegKey(h, ""), reg::Success);

  // An empty key still shows in the file, through its marker entry.
  QSettings raw(QString::fromStdString(MachineFile()), QSettings::IniFormat);
  EXPECT_EQ(raw.allKeys(), QStringList{"Software/Brantwick/Dorvane/.key"});

  reg.CloseRegKey(h);
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, SubkeysOpenRelativeToAnOpenKey) {
  RegKey h = Open();
  RegKey sub = 0;
  reg.OpenCreateRegistryKey(h, "Macros\\Saved", sub);
  ASSERT_NE(sub, 0u);
  EXPECT_NE(sub, h);
  reg.UpdateRegStringValue(sub, "Last", "m1");
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, "Software\\Brantwick\\Dorvane\\Macros\\Saved"), reg::Success);
  RegKey again = Open("SOFTWARE\\brantwick\\dorvane\\macros\\saved");
  EXPECT_EQ(reg.QueryRegStringValue(again, "last"), "m1");
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, HandlesAreUniqueAcrossInstances) {
  clsReg other;
  RegKey a = Open(), b = 0;
  other.OpenCreateRegistryKey(HKEY_LOCAL_MACHINE, kKey, b);
  EXPECT_NE(a, b);
  EXPECT_EQ(reg.QueryRegStringValue(b, "OpenMacros"), "");
  EXPECT_EQ(Locations(), "50000@CR:2") << "another instance's handle is not ours";
}

// --- String values -------------------------------------------------------------------------------------------------

TEST_F(ClsRegTest, StringsRoundTripIncludingEmptyAndTricky) {
  RegKey h = Open();
  const std::string values[] = {
      "",
      "/opt/dorvane/macros",
      "a,b",
      "x=y; z",
      "  spaced  ",
      "\"quoted\"",
      "line\r\nbreak",
      "C:\\Program Files\\Dorvane",
      "dword:0000002a",  // looks like a stored number: must stay a string
      "sz:prefix",
      "@Variant(x)",
      "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC",
      "\xE9t\xE9 Latin-1",
  };
  for (size_t i = 0; i < std::size(values); ++i) reg.UpdateRegStringValue(h, "V" + std::to_string(i), values[i]);

  clsReg reader;
  RegKey r = 0;
  reader.OpenCreateRegistryKey(HKEY_LOCAL_MACHINE, kKey, r);
  for (size_t i = 0; i < std::size(values); ++i) {
    const std::string name = "V" + std::to_string(i);
    EXPECT_EQ(reader.QueryRegStringValue(r, name), values[i]) << name;
    RegValue v;
    EXPECT_EQ(reader.QueryValueEx(r, name, v), reg::Success) << name;
    EXPECT_EQ(v, RegValue(values[i])) << name;
  }
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, MissingValuesReadEmpty) {
  RegKey h = Open();
  EXPECT_EQ(reg.QueryRegStringValue(h, "OpenMacros"), "");
  EXPECT_EQ(reg.QueryRegStringValue(h, ""), "");
  RegValue v = std::string("untouched");
  EXPECT_EQ(reg.QueryValueEx(h, "OpenMacros", v), reg::NotFound);
  EXPECT_EQ(v, RegValue(std::string("untouched")));
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, StringsOf2047BytesOrMoreReadEmpty) {
  RegKey h = Open();
  reg.UpdateRegStringValue(h, "Fits", std::string(2046, 'x'));
  reg.UpdateRegStringValue(h, "TooLong", std::string(2047, 'y'));
  reg.UpdateRegStringValue(h, "Far", std::string(10000, 'z'));
  // Bytes count, not characters: 1023 two-byte characters and one more byte are 2047 bytes.
  std::string wide;
  for (int i = 0; i < 1023; ++i) wide += "\xC3\xA9";
  reg.UpdateRegStringValue(h, "WideFits", wide);
  reg.UpdateRegStringValue(h, "WideTooLong", wide + "!");

  EXPECT_EQ(reg.QueryRegStringValue(h, "Fits"), std::string(2046, 'x'));
  EXPECT_EQ(reg.QueryRegStringValue(h, "TooLong"), "");
  EXPECT_EQ(reg.QueryRegStringValue(h, "Far"), "");
  EXPECT_EQ(reg.QueryRegStringValue(h, "WideFits"), wide);
  EXPECT_EQ(reg.QueryRegStringValue(h, "WideTooLong"), "");

  RegValue v;
  EXPECT_EQ(reg.QueryValueEx(h, "Far", v), reg::Success) << "only the fixed buffer has the limit";
  EXPECT_EQ(v, RegValue(std::string(10000, 'z')));
}

TEST_F(ClsRegTest, StringIsCutAtTheFirstZeroCharacter) {
  RegKey h = Open();
  reg.UpdateRegStringValue(h, "Z", std::string("before\0after", 12));
  EXPECT_EQ(reg.QueryRegStringValue(h, "Z"), "before");
}

TEST_F(ClsRegTest, ValueNamesMatchRegardlessOfCaseAndKeepOneEntry) {
  RegKey h = Open();
  reg.UpdateRegStringValue(h, "OpenMacros", "/one");
  reg.UpdateRegStringValue(h, "OPENMACROS", "/two");
  EXPECT_EQ(reg.QueryRegStringValue(h, "openmacros"), "/two");
  QSettings raw(QString::fromStdString(MachineFile()), QSettings::IniFormat);
  EXPECT_TRUE(raw.contains("Software/Brantwick/Dorvane/OpenMacros"));
  EXPECT_FALSE(raw.contains("Software/Brantwick/Dorvane/OPENMACROS"));
}

// --- Typed values --------------------------------------------------------------------------------------------------

TEST_F(ClsRegTest, NumbersAreStoredAsDwordAndReadBackTyped) {
  RegKey h = Open();
  EXPECT_EQ(reg.SetValueEx(h, "Answer", reg::REG_DWORD, RegValue(42)), reg::Success);
  EXPECT_EQ(reg.SetValueEx(h, "Minus", reg::REG_DWORD, RegValue(-1)), reg::Success);
  EXPECT_EQ(reg.SetValueEx(h, "Min", reg::REG_DWORD, RegValue(INT32_MIN)), reg::Success);
  EXPECT_EQ(reg.SetValueEx(h, "FromText", reg::REG_DWORD, RegValue(std::string(" -17 "))), reg::Success);
  EXPECT_EQ(reg.SetValueEx(h, "Empty", reg::REG_DWORD, RegValue()), reg::Success);

  QSettings raw(QString::fromStdString(MachineFile()), QSettings::IniFormat);
  EXPECT_EQ(raw.value("Software/Brantwick/Dorvane/Answer").toString(), "dword:0000002a");
  EXPECT_EQ(raw.value("Software/Brantwick/Dorvane/Minus").toString(), "dword:ffffffff");

  const std::pair<const char*, std::int32_t> expected[] = {
      {"Answer", 42}, {"Minus", -1}, {"Min", INT32_MIN}, {"FromText", -17}, {"Empty", 0}};
  for (const auto& [name, number] : expected) {
    RegValue v;
    EXPECT_EQ(reg.QueryValueEx(h, name, v), reg::Success) << name;
    EXPECT_EQ(v, RegValue(number)) << name;
    EXPECT_EQ(reg.QueryRegStringValue(h, name), "") << "a number is no string value: " << name;
  }
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, SetValueExStringsAndOtherTypes) {
  RegKey h = Open();
  EXPECT_EQ(reg.SetValueEx(h, "Text", reg::REG_SZ, RegValue(std::string("hello"))), reg::Success);
  EXPECT_EQ(reg.SetValueEx(h, "Number", reg::REG_SZ, RegValue(7)), reg::Success);
  EXPECT_EQ(reg.QueryRegStringValue(h, "Text"), "hello");
  EXPECT_EQ(reg.QueryRegStringValue(h, "Number"), "7");

  EXPECT_EQ(reg.SetValueEx(h, "Binary", 3, RegValue(std::string("bytes"))), reg::Success);
  EXPECT_EQ(reg.SetValueEx(0xBAD, "Binary", 3, RegValue()), reg::Success) << "nothing is done for other types";
  RegValue v;
  EXPECT_EQ(reg.QueryValueEx(h, "Binary", v), reg::NotFound);
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, TextThatIsNoNumberIsATypeMismatch) {
  RegKey h = Open();
  for (const char* bad : {"abc", "12abc", "", "4294967296"}) {
    EXPECT_EQ(reg.SetValueEx(h, "Bad", reg::REG_DWORD, RegValue(std::string(bad))), reg::InvalidParameter) << bad;
  }
  EXPECT_EQ(Locations(), "13@CR:7 13@CR:7 13@CR:7 13@CR:7");
  RegValue v;
  EXPECT_EQ(reg.QueryValueEx(h, "Bad", v), reg::NotFound) << "nothing written";
}

TEST_F(ClsRegTest, ValuesOfOtherTypesGiveMinusOne) {
  tree.File("env/xdg/Brantwick/Dorvane.ini",
            "[Software\\Brantwick\\Dorvane]\nRect=@Rect(1 2 3 4)\nSize=@Size(5 6)\nText=plain\n");
  RegKey h = Open();
  RegValue v = std::string("untouched");
  EXPECT_EQ(reg.QueryValueEx(h, "Rect", v), -1);
  EXPECT_EQ(reg.QueryValueEx(h, "Size", v), -1);
  EXPECT_EQ(v, RegValue(std::string("untouched")));
  EXPECT_EQ(reg.QueryRegStringValue(h, "Rect"), "");
  EXPECT_EQ(reg.QueryRegStringValue(h, "Text"), "plain");
}

// --- Hand-written and installed files ------------------------------------------------------------------------------

TEST_F(ClsRegTest, ReadsAHandWrittenInstallerFile) {
  tree.File("env/xdg/Brantwick/Dorvane.ini",
            "; written by the installer\n"
            "[Software\\Brantwick\\Dorvane]\n"
            "openmacros=/usr/share/dorvane/macros\n"
            "Limits=1, 2, 3\n"
            "Count=dword:0000000A\n"
            "Short=dword:12\n"
            "Escaped=sz:dword:0000000A\n"
            "[Software\\Brantwick\\Dorvane\\Sub]\n"
            "x=1\n");
  EXPECT_EQ(reg.ReadMachineValue("OpenMacros"), "/usr/share/dorvane/macros");
  RegKey h = Open();
  EXPECT_EQ(reg.QueryRegStringValue(h, "Limits"), "1,2,3");
  EXPECT_EQ(reg.QueryRegStringValue(h, "Short"), "dword:12") << "not eight hex digits: a string";
  EXPECT_EQ(reg.QueryRegStringValue(h, "Escaped"), "dword:0000000A");
  RegValue v;
  EXPECT_EQ(reg.QueryValueEx(h, "Count", v), reg::Success);
  EXPECT_EQ(v, RegValue(10));
  EXPECT_EQ(reg.CheckForRegKey(h, "SUB"), reg::Success);

  // Writing keeps what the installer wrote.
  reg.UpdateRegStringValue(h, "Added", "yes");
  EXPECT_EQ(reg.ReadMachineValue("OpenMacros"), "/usr/share/dorvane/macros");
  EXPECT_EQ(reg.ReadMachineValue("Added"), "yes");
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

TEST_F(ClsRegTest, ReadsAndWritesTheFileOfTheSecondConfigFolder) {
  std::string first = tree.Dir("xdg-first"), second = tree.Dir("xdg-second");
  env.Set("XDG_CONFIG_DIRS", (first + ":" + second).c_str());
  std::string file = tree.File("xdg-second/Brantwick/Dorvane.ini", "[Software\\Brantwick\\Dorvane]\nOpenMacros=/m\n");

  EXPECT_EQ(reg.ReadMachineValue("OpenMacros"), "/m");
  RegKey h = Open();
  reg.UpdateRegStringValue(h, "Written", "here");
  EXPECT_FALSE(TempTree::Exists(first + "/Brantwick")) << "writes go where the reads come from";
  QSettings raw(QString::fromStdString(file), QSettings::IniFormat);
  EXPECT_EQ(raw.value("Software/Brantwick/Dorvane/Written").toString(), "here");
}

// --- Read-only fallbacks -----------------------------------------------------------------------------------------

TEST_F(ClsRegTest, KeyThatCannotBeCreatedOpensReadOnlyWithoutMessage) {
  tree.File("env/xdg/Brantwick", "a file where the folder should be");
  RegKey h = Open();
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(reg.IsReadOnly(h));
  EXPECT_EQ(reg.QueryRegStringValue(h, "OpenMacros"), "");
  EXPECT_EQ(reg.ReadMachineValue("OpenMacros"), "");
  EXPECT_EQ(reports.size(), 0u) << Locations();

  reg.UpdateRegStringValue(h, "OpenMacros", "/x");
  EXPECT_EQ(reg.SetValueEx(h, "Number", reg::REG_DWORD, RegValue(1)), reg::AccessDenied);
  EXPECT_EQ(Locations(), "70@CR:1 70@CR:7");
}

TEST_F(ClsRegTest, UnwritableFileOpensForReading) {
  const std::string text = "[Software\\Brantwick\\Dorvane]\nOpenMacros=/installed\n";
  std::string file = tree.File("env/xdg/Brantwick/Dorvane.ini", text);
  ::chmod(file.c_str(), 0444);
  std::string result = InChild(tree.Root(), [] {
    std::string out;
    clsReg r([&](const Error& e, const std::string& where) {
      out += "[" + std::to_string(e.Number()) + "@" + where + "]";
    });
    RegKey h = 0, missing = 0;
    r.OpenCreateRegistryKey(HKEY_LOCAL_MACHINE, kKey, h);
    r.OpenCreateRegistryKey(HKEY_LOCAL_MACHINE, "Software\\Brantwick\\Other", missing);
    out += r.IsReadOnly(h) ? "read-only " : "writable ";
    out += r.IsReadOnly(missing) ? "read-only " : "writable ";
    out += r.QueryRegStringValue(h, "OpenMacros") + " ";
    out += "'" + r.QueryRegStringValue(missing, "OpenMacros") + "' ";
    out += std::to_string(r.SetValueEx(h, "OpenMacros", reg::REG_SZ, RegValue(std::string("/changed"))));
    r.DelRegEntries(HKEY_LOCAL_MACHINE, kKey);
    return out;
  }, /*asUser=*/true);
  EXPECT_EQ(result, "read-only read-only /installed '' [70@CR:7]5[70@CR:3]");
  EXPECT_EQ(TempTree::Read(file), text);
}

// --- Deleting ------------------------------------------------------------------------------------------------------

TEST_F(ClsRegTest, DelRegEntriesRemovesTheSubkeyAndEverythingBelow) {
  RegKey h = Open();
  RegKey deep = Open("Software\\Brantwick\\Dorvane\\Gone\\Below\\Deeper");
  reg.UpdateRegStringValue(deep, "v", "1");
  RegKey below = Open("Software\\Brantwick\\Dorvane\\Gone\\Below");
  reg.UpdateRegStringValue(below, "w", "2");
  RegKey keep = Open("Software\\Brantwick\\Dorvane\\Kept");
  reg.UpdateRegStringValue(keep, "k", "3");
  reg.UpdateRegStringValue(h, "Gone", "a value named like the subkey");
  const size_t before = reg.OpenHandleCount();

  reg.DelRegEntries(h, "gone");
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, "Software\\Brantwick\\Dorvane\\Gone"), reg::NotFound);
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, "Software\\Brantwick\\Dorvane\\Gone\\Below"), reg::NotFound);
  EXPECT_EQ(reg.QueryRegStringValue(keep, "k"), "3");
  EXPECT_EQ(reg.ReadMachineValue("Gone"), "a value named like the subkey");
  EXPECT_EQ(reports.size(), 0u) << Locations();

  EXPECT_EQ(reg.OpenHandleCount(), before - 1) << "the start key is closed";
  reg.CloseRegKey(h);
  EXPECT_EQ(Locations(), "50000@CR:6");
}

TEST_F(ClsRegTest, DelRegEntriesNeverDeletesTheHiveRoot) {
  RegKey h = Open();
  reg.UpdateRegStringValue(h, "OpenMacros", "/m");
  reg.DelRegEntries(HKEY_LOCAL_MACHINE, "");
  reg.DelRegEntries(HKEY_LOCAL_MACHINE, "\\");
  EXPECT_EQ(Locations(), "50000@CR:3 50000@CR:3");
  EXPECT_EQ(reg.ReadMachineValue("OpenMacros"), "/m");
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, kKey), reg::Success) << "the hive handle stays usable";
}

TEST_F(ClsRegTest, DelRegEntriesOfAMissingKeyDoesNothing) {
  RegKey h = Open();
  reg.DelRegEntries(h, "NotThere");
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, kKey), reg::Success);
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
  EXPECT_EQ(reports.size(), 0u) << Locations();
}

// --- Misused handles -----------------------------------------------------------------------------------------------

TEST_F(ClsRegTest, MisusedHandlesAreReportedAndNothingBreaks) {
  RegKey out = 99;
  reg.OpenCreateRegistryKey(0x1234, kKey, out);
  EXPECT_EQ(out, 0u);
  reg.UpdateRegStringValue(0, "x", "y");
  EXPECT_EQ(reg.QueryRegStringValue(7, "x"), "");
  reg.DelRegEntries(7, "x");
  EXPECT_EQ(reg.CheckForRegKey(7, "x"), reg::InvalidHandle);
  reg.CloseRegKey(7);
  EXPECT_EQ(reg.SetValueEx(7, "x", reg::REG_SZ, RegValue(std::string("y"))), reg::InvalidHandle);
  EXPECT_EQ(Locations(), "50000@CR:5 50000@CR:1 50000@CR:2 50000@CR:3 50000@CR:4 50000@CR:6 50000@CR:7");

  // A closed handle is dead; closing the hive is harmless; an empty value name is refused.
  reports.clear();
  RegKey h = Open();
  reg.CloseRegKey(HKEY_LOCAL_MACHINE);
  RegKey h2 = Open();
  reg.UpdateRegStringValue(h2, "", "x");
  EXPECT_EQ(reg.SetValueEx(h2, "", reg::REG_DWORD, RegValue(1)), reg::InvalidParameter);
  reg.CloseRegKey(h);
  reg.UpdateRegStringValue(h, "x", "y");
  reg.CloseRegKey(h);
  EXPECT_EQ(Locations(), "50000@CR:1 50000@CR:7 50000@CR:1 50000@CR:6");
  EXPECT_EQ(reg.CheckForRegKey(HKEY_LOCAL_MACHINE, kKey), reg::Success);

  reports.clear();
  RegValue v;
  EXPECT_EQ(reg.QueryValueEx(7, "x", v), reg::InvalidHandle);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(v));
  EXPECT_EQ(reports.size(), 0u) << "QueryValueEx never reports";
}

// The shell hands clsReg's failures to the common handler with mode 0: a message box and nothing else.
TEST_F(ClsRegTest, ReportsReachTheErrorHandlerAsMessagesOnly) {
  test::ScriptedPrompter prompter;
  SessionErrorLog log(tree / "DVcurerr.txt");
  ErrorHandler handler(prompter, log, nullptr);
  clsReg wired([&](const Error& e, const std::string& where) {
    long mode = 0;
    handler.ReportError(e, where, "", mode);
  });
  wired.CloseRegKey(42);
  ASSERT_EQ(prompter.Log().size(), 1u);
  EXPECT_NE(prompter.Log()[0].text.find("occured at: CR:6"), std::string::npos) << prompter.Log()[0].text;
  EXPECT_FALSE(TempTree::Exists(tree / "DVcurerr.txt")) << "mode 0 writes no log record";
}

}  // namespace
}  // namespace dv
