// Load-time state of the library and the refusal to load beside product
// files of another version.
#include <string>

#include "frame/module_state.h"
#include "frame_fixture.h"
#include "platform/file_version.h"

namespace wendrix::test {
namespace {

TEST(ModuleStateTest, LibraryCarriesTheProductVersion) {
  const auto version = ReadFileVersion(LibraryUnderTest().c_str());
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ((VersionParts{3, 8, 10, 0}), *version);
}

TEST(ModuleStateTest, StateDescribesTheLoadedFile) {
  HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
  ASSERT_NE(nullptr, library);
  ASSERT_TRUE(InitializeModuleState(library));
  EXPECT_EQ(L"3.8.10.0", Module().version);
  EXPECT_EQ(BinFolder(), Module().folder);
  EXPECT_EQ(LibraryUnderTest(), Module().fileName);
  EXPECT_EQ(sizeof(void*) == 8, Module().named64);
}

// Loads a copy of the library named `name` with `sibling` beside it (a file
// name of the sibling list and the stand-in to copy there, or text bytes).
class SiblingTest : public testing::Test {
 protected:
  HMODULE LoadCopy(const wchar_t* name) {
    EXPECT_TRUE(CopyInto(LibraryUnderTest(), m_folder.File(name)));
    m_loaded = LoadLibraryW(m_folder.File(name).c_str());
    m_error = GetLastError();
    return m_loaded;
  }
  void TearDown() override {
    if (m_loaded) FreeLibrary(m_loaded);
  }

  TempFolder m_folder;
  HMODULE m_loaded = nullptr;
  DWORD m_error = 0;
};

TEST_F(SiblingTest, SiblingOfAnotherVersionRefusesTheLoad) {
  struct Case {
    const wchar_t* library;
    const wchar_t* sibling;
  };
  // Each name of the sibling list of the library's own name counts.
  const Case cases[] = {
      {L"wendrix64.dll", L"wendrixc64.dll"}, {L"wendrix64.dll", L"wendrixw64.ocx"},
      {L"wendrix64.dll", L"wendrix64.cpl"},  {L"wendrix.dll", L"wendrix.exe"},
      {L"wendrix.dll", L"wendrixc.dll"},     {L"wendrix.dll", L"wendrix.cpl"},
      {L"wendrix.dll", L"wendrixw.ocx"},     {L"wendrix.dll", L"wxsetup.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.library) + L" beside " + c.sibling));
    TempFolder folder;
    ASSERT_TRUE(CopyInto(FrameData(L"fake_other_version.dll"), folder.File(c.sibling)));
    ASSERT_TRUE(CopyInto(LibraryUnderTest(), folder.File(c.library)));
    HMODULE loaded = LoadLibraryW(folder.File(c.library).c_str());
    EXPECT_EQ(nullptr, loaded);
    if (loaded) FreeLibrary(loaded);
  }
}

TEST_F(SiblingTest, SiblingOfTheLibraryNameSetOnlyCounts) {
  // wendrix.exe is a sibling of the 32-bit name, not of wendrix64.dll.
  ASSERT_TRUE(CopyInto(FrameData(L"fake_other_version.dll"), m_folder.File(L"wendrix.exe")));
  EXPECT_NE(nullptr, LoadCopy(L"wendrix64.dll"));
}

TEST_F(SiblingTest, MatchingMissingOrUnversionedSiblingsPass) {
  ASSERT_TRUE(CopyInto(FrameData(L"fake_same.dll"), m_folder.File(L"wendrixc64.dll")));
  m_folder.Write(L"wendrix64.cpl", "no version resource here");
  EXPECT_NE(nullptr, LoadCopy(L"wendrix64.dll")) << "error " << m_error;
}

TEST_F(SiblingTest, SiblingNamesCompareWithoutRegardToCase) {
  ASSERT_TRUE(CopyInto(FrameData(L"fake_other_version.dll"), m_folder.File(L"WENDRIXC64.DLL")));
  EXPECT_EQ(nullptr, LoadCopy(L"Wendrix64.DLL"));
}

}  // namespace
}  // namespace wendrix::test
