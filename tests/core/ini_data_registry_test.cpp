// CIniDataRegistry against the real registry: a scratch key under HKCU, and
// keys under HKLM\Software in both registry views.
#include "platform/ini_data_registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "../support/registry_sandbox.h"

namespace wendrix {
namespace {

using test::DeleteKeyTree;
using test::ScratchKey;

constexpr HRESULT kFileNotFound = HResultFromWin32(ERROR_FILE_NOT_FOUND);

// "kind name=value|value"
std::wstring EntryLine(const IniEntry& e) {
  std::wstring line = std::to_wstring(e.Kind()) + L" " + std::wstring(e.NameView());
  for (std::uint32_t i = 0; i < e.Count(); ++i) (line += i ? L"|" : L"=") += e.ValueView(i);
  return line;
}

std::wstring Dump(const CIniData& data) {
  std::wstring out;
  for (IniEntry e : data.Entries()) out += EntryLine(e) + L"\n";
  return out;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The entries of one section (null: before the first section), sorted.
std::vector<std::wstring> SectionDump(const CIniData& data, const wchar_t* section) {
  std::vector<std::wstring> lines;
  bool inside = section == nullptr;
  for (IniEntry e : data.Entries()) {
    if (e.Kind() == kIniSection) {
      inside = section && e.NameView() == section;
      continue;
    }
    if (!inside) continue;
    lines.push_back(EntryLine(e));
  }
  return Sorted(std::move(lines));  // the registry's enumeration order is its own
}

std::vector<std::wstring> SectionNames(const CIniData& data) {
  std::vector<std::wstring> names;
  for (IniEntry e : data.Entries())
    if (e.Kind() == kIniSection) names.emplace_back(e.NameView());
  std::sort(names.begin(), names.end());
  return names;
}

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size,
              REGSAM view = 0) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
  RegCloseKey(key);
}
void SetText(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring_view text, REGSAM view = 0) {
  SetValue(root, path, name, REG_SZ, text.data(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), view);
}
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
  SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}
// `items` holds the raw REG_MULTI_SZ characters (zeros included).
void SetMulti(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring_view items) {
  SetValue(root, path, name, REG_MULTI_SZ, items.data(), static_cast<DWORD>(items.size() * sizeof(wchar_t)));
}

// The raw type and data of a value; type REG_NONE with no data when it is missing.
struct RawValue {
  DWORD type = REG_NONE;
  std::string data;
};
RawValue ReadRaw(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view = 0) {
  RawValue v;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.data.resize(size);
    RegQueryValueExW(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()), &size);
  }
  RegCloseKey(key);
  return v;
}
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}
std::string Bytes(std::wstring_view units) {
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(wchar_t));
}

TEST(CIniDataRegistryTest, MissingKeyOrKeyPath) {
  ScratchKey scratch;
  CIniDataRegistry data(HKEY_CURRENT_USER, scratch.Path() + L"\\Missing");
  data.AddText(L"Stale", L"x");
  EXPECT_EQ(kFileNotFound, data.Load({}));
  EXPECT_EQ(0u, data.EntryCount());
  CIniDataRegistry unnamed(HKEY_CURRENT_USER, L"");
  EXPECT_EQ(HResultFromWin32(ERROR_INVALID_HANDLE), unnamed.Load({}));
  unnamed.AddText(L"A", L"1");
  EXPECT_EQ(HResultFromWin32(ERROR_INVALID_HANDLE), unnamed.Save(0));
}

TEST(CIniDataRegistryTest, LoadReadsTheKeyAndOneLevelOfSubkeys) {
  ScratchKey scratch;
  const std::wstring root = scratch.Path();
  SetText(HKEY_CURRENT_USER, root, L"Name", L"Top level");
  SetDword(HKEY_CURRENT_USER, root, L"Flags", 0xFFFFFFFF);
  SetText(HKEY_CURRENT_USER, root + L"\\Main", L"Title", L"caf\x00E9 \x4E2D");
  SetDword(HKEY_CURRENT_USER, root + L"\\Main", L"Delta", 0xFFFFFFFF);  // signed by the schema
  SetMulti(HKEY_CURRENT_USER, root + L"\\Main", L"Items", std::wstring_view(L"a\0b c\0\0", 7));
  SetText(HKEY_CURRENT_USER, root + L"\\Main", L"Single", L"one, two");  // a list row holding REG_SZ
  SetText(HKEY_CURRENT_USER, root + L"\\Main\\Deep", L"Hidden", L"not read");
  SetText(HKEY_CURRENT_USER, root + L"\\Other", L"Path", L"C:\\new");
  const IniSchemaRow schema[] = {
      {L"Main", L"Delta", 1, kIniSigned}, {L"Main", L"Items", 2, kIniList}, {L"Main", L"Single", 3, kIniList},
  };

  CIniDataRegistry data(HKEY_CURRENT_USER, root);
  data.AddText(L"Stale", L"x");
  ASSERT_EQ(S_OK, data.Load(schema));

  // The key's own values come before the first section.
  EXPECT_EQ(Sorted({L"2 Name=Top level", L"4 Flags=4294967295"}), SectionDump(data, nullptr));
  EXPECT_EQ(Sorted({L"Main", L"Other"}), SectionNames(data)) << "Main\\Deep is not a section";
  EXPECT_EQ(Sorted({L"2 Title=caf\x00E9 \x4E2D", L"3 Delta=-1", L"5 Items=a|b c", L"5 Single=one, two"}),
            SectionDump(data, L"Main"));
  EXPECT_EQ((std::vector<std::wstring>{L"2 Path=C:\\new"}), SectionDump(data, L"Other")) << "no escape processing";
  EXPECT_EQ(std::wstring::npos, Dump(data).find(L"Hidden"));
  EXPECT_EQ(std::wstring::npos, Dump(data).find(L"Stale"));
}

TEST(CIniDataRegistryTest, LoadCopesWithUnusualData) {
  ScratchKey scratch;
  const std::wstring root = scratch.Path();
  SetValue(HKEY_CURRENT_USER, root, L"Unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
  SetValue(HKEY_CURRENT_USER, root, L"OddSize", REG_SZ, L"abc", 5);
  SetValue(HKEY_CURRENT_USER, root, L"Empty", REG_SZ, L"", 0);
  SetMulti(HKEY_CURRENT_USER, root, L"NoItems", std::wstring_view(L"\0", 1));
  SetMulti(HKEY_CURRENT_USER, root, L"NoEnd", std::wstring_view(L"a\0b", 3));
  SetValue(HKEY_CURRENT_USER, root, L"Blob", REG_BINARY, "\x01\x02\x03", 3);
  const std::wstring big(40000, L'x');
  SetText(HKEY_CURRENT_USER, root + L"\\Big", L"Long", big);
  const IniSchemaRow schema[] = {{kIniAny, L"NoItems", 1, kIniList}, {kIniAny, L"NoEnd", 2, kIniRawList}};

  CIniDataRegistry data(HKEY_CURRENT_USER, root);
  ASSERT_EQ(S_OK, data.Load(schema));
  EXPECT_EQ(Sorted({L"2 Empty=", L"2 OddSize=ab", L"2 Unterminated=abc", L"5 NoItems", L"7 NoEnd=a|b"}),
            SectionDump(data, nullptr))
      << "binary values have no INI form";
  EXPECT_EQ(std::vector<std::wstring>{L"2 Long=" + big}, SectionDump(data, L"Big"));
}

TEST(CIniDataRegistryTest, SaveReplacesTheWholeTreeWithTypedValues) {
  ScratchKey scratch;
  const std::wstring root = scratch.Path();
  SetText(HKEY_CURRENT_USER, root, L"StaleValue", L"old");
  SetText(HKEY_CURRENT_USER, root + L"\\Main", L"StaleToo", L"old");
  SetText(HKEY_CURRENT_USER, root + L"\\Gone\\Deeper", L"Old", L"old");

  CIniDataRegistry data(HKEY_CURRENT_USER, root);
  const std::wstring_view items[] = {L"a", L"b c"};
  ASSERT_EQ(S_OK, data.AddText(L"Text", L"caf\x00E9\n"));
  ASSERT_EQ(S_OK, data.AddRaw(L"Raw", L"C:\\new"));
  ASSERT_EQ(S_OK, data.AddNumber(L"Signed", -5));
  ASSERT_EQ(S_OK, data.AddUnsigned(L"Unsigned", 0xFFFFFFFF, kIniAlternateForm));
  ASSERT_EQ(S_OK, data.AddVerbatim(L"; a comment line"));
  ASSERT_EQ(S_OK, data.AddSection(L"Main"));
  ASSERT_EQ(S_OK, data.AddList(L"List", items));
  ASSERT_EQ(S_OK, data.AddList(L"NoItems", {}));
  ASSERT_EQ(S_OK, data.AddRawList(L"RawList", items));
  ASSERT_EQ(S_OK, data.AddSection(L"Empty"));
  ASSERT_EQ(S_OK, data.Save(0));

  const DWORD minusFive = 0xFFFFFFFB, allOnes = 0xFFFFFFFF;
  const struct {
    const wchar_t* key;
    const wchar_t* name;
    DWORD type;
    std::string data;
  } expected[] = {
      {L"", L"Text", REG_SZ, Bytes(std::wstring_view(L"caf\x00E9\n", 6))},
      {L"", L"Raw", REG_SZ, Bytes(std::wstring_view(L"C:\\new", 7))},
      {L"", L"Signed", REG_DWORD, std::string(reinterpret_cast<const char*>(&minusFive), 4)},
      {L"", L"Unsigned", REG_DWORD, std::string(reinterpret_cast<const char*>(&allOnes), 4)},
      {L"\\Main", L"List", REG_MULTI_SZ, Bytes(std::wstring_view(L"a\0b c\0\0", 7))},
      {L"\\Main", L"NoItems", REG_MULTI_SZ, Bytes(std::wstring_view(L"\0", 1))},
      {L"\\Main", L"RawList", REG_MULTI_SZ, Bytes(std::wstring_view(L"a\0b c\0\0", 7))},
      {L"", L"StaleValue", REG_NONE, ""}, {L"\\Main", L"StaleToo", REG_NONE, ""},
      {L"", L"; a comment line", REG_NONE, ""},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(testing::Message() << "value " << e.name);
    const RawValue v = ReadRaw(HKEY_CURRENT_USER, root + e.key, e.name);
    EXPECT_EQ(e.type, v.type);
    EXPECT_EQ(e.data, v.data);
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, root + L"\\Empty")) << "a section without keys is still a subkey";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root + L"\\Gone"));
}

TEST(CIniDataRegistryTest, SaveStopsAtAKeyThatCannotBeCreated) {
  ScratchKey scratch;
  CIniDataRegistry data(HKEY_CURRENT_USER, scratch.Path());
  data.AddText(L"Before", L"kept");
  data.AddSection(std::wstring(300, L'k'));  // longer than a key name may be
  data.AddText(L"After", L"lost");
  EXPECT_EQ(E_OUTOFMEMORY, data.Save(0));
  EXPECT_EQ(REG_SZ, ReadRaw(HKEY_CURRENT_USER, scratch.Path(), L"Before").type) << "what was written stays";
  EXPECT_EQ(REG_NONE, ReadRaw(HKEY_CURRENT_USER, scratch.Path(), L"After").type);
}

// A key under HKLM\Software in both views, removed from both at the end.
class MachineKey {
 public:
  MachineKey() {
    static std::atomic<unsigned> counter{0};
    m_path = L"Software\\WendrixTests-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    Clean();
  }
  ~MachineKey() { Clean(); }
  const std::wstring& Path() const noexcept { return m_path; }

 private:
  void Clean() {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, m_path, KEY_WOW64_32KEY);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, m_path, KEY_WOW64_64KEY);
  }
  std::wstring m_path;
};

TEST(CIniDataRegistryTest, MachineViewsAreSeparate) {
  MachineKey key;
  // The two views of HKLM\Software really differ on this system.
  SetText(HKEY_LOCAL_MACHINE, key.Path(), L"Probe", L"32", KEY_WOW64_32KEY);
  ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key.Path(), KEY_WOW64_64KEY)) << "HKLM\\Software is shared by both views";

  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    const REGSAM other = view == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    SCOPED_TRACE(view == KEY_WOW64_32KEY ? "32-bit view" : "64-bit view");
    // Something of the same name in the other view must survive our save.
    SetText(HKEY_LOCAL_MACHINE, key.Path() + L"\\Main", L"OtherView", L"keep", other);

    CIniDataRegistry saved(HKEY_LOCAL_MACHINE, key.Path(), view);
    saved.AddText(L"View", view == KEY_WOW64_32KEY ? L"32" : L"64");
    saved.AddSection(L"Main");
    saved.AddUnsigned(L"Size", 4);
    ASSERT_EQ(S_OK, saved.Save(0));

    CIniDataRegistry loaded(HKEY_LOCAL_MACHINE, key.Path(), view);
    ASSERT_EQ(S_OK, loaded.Load({}));
    EXPECT_EQ(Dump(saved), Dump(loaded));
    EXPECT_EQ(REG_SZ, ReadRaw(HKEY_LOCAL_MACHINE, key.Path() + L"\\Main", L"OtherView", other).type);
    EXPECT_EQ(REG_NONE, ReadRaw(HKEY_LOCAL_MACHINE, key.Path() + L"\\Main", L"Size", other).type);

    DeleteKeyTree(HKEY_LOCAL_MACHINE, key.Path(), other);
    CIniDataRegistry otherView(HKEY_LOCAL_MACHINE, key.Path(), other);
    EXPECT_EQ(kFileNotFound, otherView.Load({}));
    DeleteKeyTree(HKEY_LOCAL_MACHINE, key.Path(), view);
  }
}

}  // namespace
}  // namespace wendrix
