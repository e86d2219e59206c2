#include "setup/journal_record.h"

#include <new>

#include "platform/path_containment.h"

namespace wendrix {
namespace {


class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : m_out(out) {}
  void U32(std::uint32_t v) { Little(v); }
  void U64(std::uint64_t v) { Little(v); }
  // UTF-16 LE with its terminating zero.
  void Text(const std::wstring& text) {
    for (wchar_t c : text) {
      const auto unit = static_cast<std::uint32_t>(c) & 0xFFFFu;
      m_out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      m_out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    m_out.push_back(0);
    m_out.push_back(0);
  }
  void Bytes(const std::vector<std::uint8_t>& bytes) { m_out.insert(m_out.end(), bytes.begin(), bytes.end()); }

 private:
  template <typename T>
  void Little(T v) {
    for (std::size_t i = 0; i < sizeof(T); ++i) m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t>& m_out;
};

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
  bool U32(std::uint32_t& v) { return Little(v); }
  bool U64(std::uint64_t& v) { return Little(v); }
  bool Text(std::wstring& text) {
    text.clear();
    for (;;) {
      if (m_bytes.size() - m_pos < 2) return false;
      const auto unit = static_cast<wchar_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
      m_pos += 2;
      if (unit == 0) return true;
      text.push_back(unit);
    }
  }
  bool Bytes(std::size_t n, std::vector<std::uint8_t>& out) {
    if (m_bytes.size() - m_pos < n) return false;
    out.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos + n));
    m_pos += n;
    return true;
  }

 private:
  // Fields are little-endian whatever the machine.
  template <typename T>
  bool Little(T& v) {
    if (m_bytes.size() - m_pos < sizeof(T)) return false;
    v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(m_bytes[m_pos + i]) << (8 * i);
    m_pos += sizeof(T);
    return true;
  }
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_pos = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeJournalRecord(const JournalRecord& r) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.U32(r.type);
  switch (r.type) {
    case kJournalRestoreValue:
      w.U32(r.valueType);
      w.U32(r.view);
      w.U64(r.root);
      w.Text(r.keyPath);
      w.Text(r.valueName);
      w.U32(static_cast<std::uint32_t>(r.data.size()));
      w.Bytes(r.data);
      break;
    case kJournalDeleteValue:
      w.U32(r.view);
      w.U64(r.root);
      w.Text(r.keyPath);
      w.Text(r.valueName);
      break;
    case kJournalDeleteKey:
    case kJournalCreateKey:
      w.U32(r.view);
      w.U64(r.root);
      w.Text(r.keyPath);
      break;
    case kJournalRestoreFile:
    case kJournalRestoreFileAnsi:
      w.Text(r.path);
      w.Text(r.backupPath);
      break;
    case kJournalRestoreFolder:
      w.Text(r.path);
      w.U32(r.attributes);
      break;
    default:  // 5, 6, 9, 10: the path alone
      w.Text(r.path);
      break;
  }
  w.U32(static_cast<std::uint32_t>(out.size()));  // the record's size without this length
  return out;
}

HRESULT DecodeJournalRecord(std::span<const std::uint8_t> bytes, JournalRecord& r) {
  try {
    r = JournalRecord{};
    Reader in(bytes);
    if (!in.U32(r.type)) return kInvalidData;
    bool ok = true;
    switch (r.type) {
      case kJournalRestoreValue: {
        std::uint32_t size = 0;
        ok = in.U32(r.valueType) && in.U32(r.view) && in.U64(r.root) && in.Text(r.keyPath) && in.Text(r.valueName) &&
             in.U32(size) && in.Bytes(size, r.data);
        break;
      }
      case kJournalDeleteValue:
        ok = in.U32(r.view) && in.U64(r.root) && in.Text(r.keyPath) && in.Text(r.valueName);
        break;
      case kJournalDeleteKey:
      case kJournalCreateKey:
        ok = in.U32(r.view) && in.U64(r.root) && in.Text(r.keyPath);
        break;
      case kJournalRestoreFile:
      case kJournalRestoreFileAnsi:
        ok = in.Text(r.path) && in.Text(r.backupPath);
        break;
      case kJournalRestoreFolder:
        ok = in.Text(r.path) && in.U32(r.attributes);
        break;
      case kJournalDeleteFile:
      case kJournalRemoveFolder:
      case kJournalDeleteFileAnsi:
      case kJournalRemoveFolderAnsi:
        ok = in.Text(r.path);
        break;
      default:
        return kInvalidData;
    }
    return ok ? S_OK : kInvalidData;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

bool IsJournalRecordPlausible(const JournalRecord& r) noexcept {
  constexpr std::uint64_t kClassesRoot = 0xFFFFFFFF80000000ull, kUsers = 0xFFFFFFFF80000003ull;
  constexpr std::uint32_t kView64 = 0x0100, kView32 = 0x0200;  // KEY_WOW64_64KEY, KEY_WOW64_32KEY
  switch (r.type) {
    case kJournalRestoreValue:
    case kJournalDeleteValue:
    case kJournalDeleteKey:
    case kJournalCreateKey:
      return r.root >= kClassesRoot && r.root <= kUsers && (r.view == 0 || r.view == kView64 || r.view == kView32) &&
             !r.keyPath.empty() && r.keyPath.front() != L'\\';
    case kJournalRestoreFile:
    case kJournalRestoreFileAnsi:
      return IsLocalDrivePath(r.path) && IsLocalDrivePath(r.backupPath);
    case kJournalDeleteFile:
    case kJournalRemoveFolder:
    case kJournalRestoreFolder:
    case kJournalDeleteFileAnsi:
    case kJournalRemoveFolderAnsi:
      return IsLocalDrivePath(r.path);
    default:
      return false;
  }
}

HRESULT ReadJournalBackwards(std::span<const std::uint8_t> file,
                             const std::function<HRESULT(const JournalRecord&)>& visit) {
  std::size_t position = file.size();
  JournalRecord record;
  while (position > 0) {
    if (position < 4) return E_FAIL;
    position -= 4;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(file[position + i]) << (8 * i);
    if (position < length) return E_FAIL;
    position -= length;
    RETURN_IF_FAILED(DecodeJournalRecord(file.subspan(position, length), record));
    if (!IsJournalRecordPlausible(record)) return kInvalidData;
    RETURN_IF_FAILED(visit(record));
  }
  return S_OK;
}

}  // namespace wendrix
