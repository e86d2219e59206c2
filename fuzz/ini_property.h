#pragma once
// The property every INI input must keep, shared by the fuzz target and the
// regression test that replays the inputs the fuzzer once found.
//
// The first byte picks how keys are read (texts, lists, numbers, raw texts or
// a mix); the rest is the file. Loading may fail with a syntax error but must
// never crash; whatever loaded must save, and for the escaping kinds the
// saved text must load again into the same number of entries of the same kinds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ini_data_buffer.h"

namespace wendrix::fuzz {

inline constexpr IniSchemaRow kTextSchema[] = {{kIniAny, kIniAny, 0, kIniText}};
inline constexpr IniSchemaRow kListSchema[] = {{kIniAny, kIniAny, 0, kIniList}};
inline constexpr IniSchemaRow kNumberSchema[] = {{kIniAny, L"Size", 0, kIniUnsigned}, {kIniAny, kIniAny, 1, kIniSigned}};
inline constexpr IniSchemaRow kRawSchema[] = {{kIniAny, kIniAny, 0, kIniRawList}};
inline constexpr IniSchemaRow kMixedSchema[] = {
    {L"Item", L"Action", 0, kIniList}, {kIniAny, L"URL", 1, kIniRaw},     {kIniAny, L"Bytes", 2, kIniUnsigned},
    {nullptr, L"Count", 3, kIniSigned}, {kIniAny, L"Paths", 4, kIniRawList}, {kIniAny, kIniAny, 5, kIniText}};

// Returns false when the property is broken (the fuzz target then aborts).
inline bool CheckIniProperty(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return true;
  const unsigned variant = data[0] % 5;
  static const IniSchema schemas[] = {kTextSchema, kListSchema, kNumberSchema, kRawSchema, kMixedSchema};
  const IniSchema schema = schemas[variant];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  CIniDataBuffer data1;
  std::uint32_t errorLine = 0;
  const HRESULT loaded = LoadIniText(bytes, data1, schema, &errorLine);
  if (FAILED(loaded) && loaded != kSyntaxError && loaded != kXmlNotIni) return false;
  if (loaded == kSyntaxError && errorLine == 0) return false;
  for (std::uint32_t flags : {0u, kIniSaveUnicode}) {
    if (FAILED(data1.Save(flags))) return false;
    // Raw values are written verbatim, so a raw value holding a line break
    // cannot come back whole; only the escaping kinds must survive a reload.
    if (variant == 3 || variant == 4) continue;
    CIniDataBuffer data2;
    data2.SetText(data1.Text());
    if (FAILED(data2.Load(schema))) return false;
    if (data2.EntryCount() != data1.EntryCount()) return false;
    for (std::size_t i = 0; i < data1.EntryCount(); ++i) {
      if (data1.Entry(i).Kind() != data2.Entry(i).Kind()) return false;
      if (data1.Entry(i).NameView() != data2.Entry(i).NameView()) return false;
    }
  }
  return true;
}

}  // namespace wendrix::fuzz
