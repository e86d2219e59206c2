#include "registration/generated_data_file.h"

#include "core/ini_data_buffer.h"

namespace wendrix {

HRESULT BuildGeneratedDataFile(std::wstring_view id, std::wstring_view name, std::wstring_view homePage,
                               std::wstring_view dataSource, std::wstring& text) {
  CIniDataBuffer file(kThreadAnsiCodePage);
  RETURN_IF_FAILED(file.AddSection(L"Wendrix"));
  RETURN_IF_FAILED(file.AddText(L"RequiredVersion", L"3.6"));
  RETURN_IF_FAILED(file.AddSection(L"Publisher"));
  RETURN_IF_FAILED(file.AddText(L"ID", id));
  RETURN_IF_FAILED(file.AddText(L"Name", name, kIniAlternateForm));
  RETURN_IF_FAILED(file.AddRaw(L"HomePage", homePage, kIniAlternateForm));
  RETURN_IF_FAILED(file.AddRaw(L"DataSource", dataSource, kIniAlternateForm));
  RETURN_IF_FAILED(file.AddText(L"Application", L"Kestmoor(R) Wendrix(TM)", kIniAlternateForm));
  RETURN_IF_FAILED(file.Save(kIniSaveUnicode));
  text = file.Text();
  return S_OK;
}

}  // namespace wendrix
