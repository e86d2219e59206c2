#include "update/gathering_sink.h"

#include <algorithm>
#include <new>

namespace wendrix {

GatheringSink::GatheringSink(ByteSink& inner, std::size_t runSize) noexcept
    : m_inner(inner), m_runSize(std::max<std::size_t>(runSize, 1)), m_run(new (std::nothrow) char[m_runSize]) {}

HRESULT GatheringSink::Empty() {
  m_size = 0;
  return m_inner.Empty();
}

HRESULT GatheringSink::Append(std::span<const char> bytes) {
  if (!m_run) return m_inner.Append(bytes);
  while (!bytes.empty()) {
    // A piece at least a run long, with nothing gathered before it, needs
    // no copy.
    if (m_size == 0 && bytes.size() >= m_runSize) return m_inner.Append(bytes);
    const std::size_t piece = std::min(bytes.size(), m_runSize - m_size);
    std::copy_n(bytes.data(), piece, m_run.get() + m_size);
    m_size += piece;
    bytes = bytes.subspan(piece);
    if (m_size == m_runSize) RETURN_IF_FAILED(Flush());
  }
  return S_OK;
}

HRESULT GatheringSink::Flush() {
  if (m_size == 0) return S_OK;
  const std::size_t size = m_size;
  m_size = 0;
  return m_inner.Append({m_run.get(), size});
}

}  // namespace wendrix
