// Load-time state of the library and the refusal to load beside product
// files of another version.
#include <string>

#include "frame/module_state.h"
#include "frame_fixture.h"
#include "platform/file_version.h"

namespace wendrix::test {
namespace {

TEST(ModuleStateTest, StateDescribesTheLoadedFile) {
  const auto version = ReadFileVersion(LibraryUnderTest().c_str());
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ((VersionParts{3, 8, 10, 0}), *version);
  HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
  ASSERT_NE(nullptr, library);
  ASSERT_TRUE(InitializeModuleState(library));
  EXPECT_EQ(L"3.8.10.0", Module().version);
  EXPECT_EQ(BinFolder(), Module().folder);
  EXPECT_EQ(LibraryUnderTest(), Module().fileName);
  EXPECT_EQ(sizeof(void*) == 8, Module().named64);
}

// A copy of the library named `library` loads only when no file of its
// name's sibling list, whatever its case, carries another version.
TEST(SiblingTest, SiblingOfAnotherVersionRefusesTheLoad) {
  const struct {
    const wchar_t* library;
    const wchar_t* sibling;
    const wchar_t* standIn;  // null: text bytes without a version
    bool loads;
  } cases[] = {
      {L"wendrix64.dll", L"wendrixc64.dll", L"fake_other_version.dll", false},
      {L"wendrix64.dll", L"wendrixw64.ocx", L"fake_other_version.dll", false},
      {L"wendrix64.dll", L"wendrix64.cpl", L"fake_other_version.dll", false},
      {L"wendrix.dll", L"wendrix.exe", L"fake_other_version.dll", false},
      {L"wendrix.dll", L"wendrixc.dll", L"fake_other_version.dll", false},
      {L"wendrix.dll", L"wendrix.cpl", L"fake_other_version.dll", false},
      {L"wendrix.dll", L"wendrixw.ocx", L"fake_other_version.dll", false},
      {L"wendrix.dll", L"wxsetup.exe", L"fake_other_version.dll", false},
      {L"Wendrix64.DLL", L"WENDRIXC64.DLL", L"fake_other_version.dll", false},
      {L"wendrix64.dll", L"wendrix.exe", L"fake_other_version.dll", true},  // the 32-bit name's sibling only
      {L"wendrix64.dll", L"wendrixc64.dll", L"fake_same.dll", true},
      {L"wendrix64.dll", L"wendrix64.cpl", nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.library) + L" beside " + c.sibling));
    TempFolder folder;
    if (c.standIn) ASSERT_TRUE(CopyInto(FrameData(c.standIn), folder.File(c.sibling)));
    else folder.Write(c.sibling, "no version resource here");
    ASSERT_TRUE(CopyInto(LibraryUnderTest(), folder.File(c.library)));
    HMODULE loaded = LoadLibraryW(folder.File(c.library).c_str());
    EXPECT_EQ(c.loads, loaded != nullptr) << "error " << GetLastError();
    if (loaded) FreeLibrary(loaded);
  }
}

}  // namespace
}  // namespace wendrix::test
