#include "publisher_file.h"

#include <windows.h>

#include "platform/ini_file.h"
#include "frame/module_state.h"
#include "frame/string_table.h"
#include "publisher/loader.h"

using namespace wendrix;

namespace wxcli {

void InitializeLibraryState() {
  if (HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll"))
    InitializeModuleState(library);
}

void LoadAsRegistered(const std::wstring& path, std::uint32_t options, const PublisherEnvironment& env,
                      LoadedFile& file) {
  std::wstring text;
  file.result = ReadTextFile(path.c_str(), text);
  file.unreadable = FAILED(file.result);
  if (file.unreadable) return;
  PublisherHeader header;
  file.result = ReadPublisherHeaderText(text, header, &file.line);
  if (FAILED(file.result)) return;
  file.data.publisher.id = header.id;
  file.data.publisher.name = header.name;
  file.data.publisher.homePage = header.homePage;
  file.data.publisher.dataSource = header.dataSource;
  file.result = LoadPublisherData(text.c_str(), &file.data, &file.publishers, nullptr, &file.line, options, env);
}


}  // namespace wxcli
