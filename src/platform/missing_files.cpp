#include "platform/missing_files.h"

namespace wendrix {
namespace {

thread_local MissingFileWitnessScope* t_innermost = nullptr;

}  // namespace

MissingFileWitnessScope::MissingFileWitnessScope(MissingFileWitness& witness) noexcept
    : m_witness(witness), m_enclosing(t_innermost) {
  t_innermost = this;
}

MissingFileWitnessScope::~MissingFileWitnessScope() { t_innermost = m_enclosing; }

bool KnownMissing(const std::wstring& path) noexcept {
  for (MissingFileWitnessScope* scope = t_innermost; scope; scope = scope->m_enclosing)
    if (scope->m_witness.Missing(path)) return true;
  return false;
}

}  // namespace wendrix
