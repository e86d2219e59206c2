#include "frame/module_state.h"

#include "core/string_util.h"
#include "core/version.h"
#include "platform/file_version.h"

namespace wendrix {
namespace {

ModuleState g_module;

constexpr const wchar_t* kSiblings64[] = {L"wendrixc64.dll", L"wendrixw64.ocx", L"wendrix64.cpl", nullptr};
constexpr const wchar_t* kSiblings32[] = {L"wendrix.exe", L"wendrixc.dll", L"wendrix.cpl", L"wendrixw.ocx",
                                          L"wxsetup.exe", nullptr};

// A sibling that is missing or has no readable version passes.
bool SiblingsAgree(const std::wstring& folder, bool named64, const VersionParts& own) {
  for (const wchar_t* const* name = SiblingFileNames(named64); *name; ++name) {
    const std::wstring path = folder + L"\\" + *name;
    const auto version = ReadFileVersion(path.c_str());
    if (version && *version != own) return false;
  }
  return true;
}

}  // namespace

const ModuleState& Module() noexcept { return g_module; }

const wchar_t* const* SiblingFileNames(bool named64) noexcept { return named64 ? kSiblings64 : kSiblings32; }

bool InitializeModuleState(HMODULE module) {
  ModuleState state;
  state.module = module;
  const auto fileName = ModuleFileName(module);
  if (!fileName) return false;
  state.fileName = *fileName;
  state.named64 = CStringUtil::EndsWithNoCase(state.fileName, L"wendrix64.dll");
  const auto version = ReadFileVersion(state.fileName.c_str());
  if (!version) return false;
  state.version = FormatVersion(*version);
  const std::size_t slash = state.fileName.rfind(L'\\');
  state.folder = slash == std::wstring::npos ? std::wstring() : state.fileName.substr(0, slash);
  if (!SiblingsAgree(state.folder, state.named64, *version)) return false;
  g_module = std::move(state);
  return true;
}

}  // namespace wendrix
