#pragma once
// Where a transfer puts the bytes it receives: memory or a file.
#include <windows.h>

#include <span>

#include "core/buffer.h"
#include "core/result.h"

namespace wendrix {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual HRESULT Empty() = 0;
  virtual HRESULT Append(std::span<const char> bytes) = 0;
};

class MemorySink final : public ByteSink {
 public:
  explicit MemorySink(CBuffer<char>& buffer) : m_buffer(buffer) {}
  HRESULT Empty() override;
  HRESULT Append(std::span<const char> bytes) override;

 private:
  CBuffer<char>& m_buffer;
};

// Writes straight to an open file handle (large downloads never sit in memory).
class FileSink final : public ByteSink {
 public:
  explicit FileSink(HANDLE file) : m_file(file) {}
  HRESULT Empty() override;
  HRESULT Append(std::span<const char> bytes) override;

 private:
  HANDLE m_file;
};

}  // namespace wendrix
