// What writing a shared file whole costs under Wine: WriteUnicodeTextFile
// (a new file beside the target, flushed, then moved over it) against a
// rewrite in place of the same bytes (truncate and write, no flush) and the
// same move without the flush, for a list file of 40 publishers and for a
// 1 MB publisher data file.
#include <windows.h>

#include <cstdio>
#include <string>

#include "../bench_timing.h"
#include "platform/ini_file.h"
#include "core/text_encoding.h"

using namespace wendrix;

namespace {

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// The baseline: the file rewritten where it stands.
void WriteInPlace(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The move alone: a new file beside the target, not flushed, moved over it.
void MoveUnflushed(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".bench";
  WriteInPlace(temporary, bytes);
  MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::wstring Text(std::size_t bytes) {
  std::wstring text;
  for (int i = 0; text.size() * 2 < bytes; ++i)
    text += L"\r\n[1.3.6.1.4.1.99999." + std::to_wstring(i) + L"]\r\nName = Publisher " + std::to_wstring(i) +
            L"\r\nDataSource = http://update.example/p.wx-cnf\r\nEnabled = 1\r\nVersion = 1.0\r\n";
  return text;
}

void Measure(const char* what, std::size_t size, int writes) {
  const std::wstring path = TempPath(L"wx-file-replace-bench.ini");
  const std::wstring text = Text(size);
  const std::string bytes = EncodeUtf16LeFile(text);
  const double replaced = bench::Best(3, [&] {
    for (int i = 0; i < writes; ++i) WriteUnicodeTextFile(path.c_str(), text);
  });
  const double inPlace = bench::Best(3, [&] {
    for (int i = 0; i < writes; ++i) WriteInPlace(path, bytes);
  });
  const double moved = bench::Best(3, [&] {
    for (int i = 0; i < writes; ++i) MoveUnflushed(path, bytes);
  });
  DeleteFileW(path.c_str());
  std::printf("%-26s %8zu bytes: replaced whole %7.3f ms/write, in place %7.3f (ratio %.2f), moved unflushed %7.3f\n",
              what, bytes.size(), replaced * 1000 / writes, inPlace * 1000 / writes, replaced / inPlace,
              moved * 1000 / writes);
}

}  // namespace

int wmain() {
  Measure("list file, 40 publishers", 20 * 1024, 200);
  Measure("publisher data file", 1024 * 1024, 20);
  return 0;
}
