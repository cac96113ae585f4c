#include "fileops_engine/journal.h"

namespace dv {

struct JournalWriter::State {};

JournalWriter::~JournalWriter() = default;

}  // namespace dv
