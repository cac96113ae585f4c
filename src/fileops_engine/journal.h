#pragma once
// The run journal: what a real run changed, item by item, so that the run can be undone. The format and where
// journals and kept files live are described in docs/undo.md; this header is the one way the engine, the undo
// and the front ends reach them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/datetime.h"

namespace dv {

// An item as a run left it (lstat values: a link's own). Undo acts on an item only while it still matches.
struct ItemId {
  enum class Type { File, Folder, Link, Other } type = Type::File;
  uint64_t dev = 0, ino = 0, size = 0;
  DateTime modified;
  bool operator==(const ItemId&) const = default;
};

// The identity of the item `name` in the open folder `dir`, links not followed. Throws dv::Error.
ItemId IdentityAt(int dir, const char* name, const std::string& path);
// Whether `now` is still the item `then`. A folder is compared by device and inode only: its size and
// modification time change with every name put in or taken out, the run's own included.
bool SameItem(const ItemId& then, const ItemId& now);

struct JournalHeader {
  std::string run;        // the journal's name without ".jsonl"
  std::string operation;  // as in the results file
  std::string time;       // UTC, "2026-12-08T14:03:00Z"
  std::string source, destination, summary;
  std::string undoOf;  // the run this one undid, or empty
};

struct JournalItem {
  enum class Do { Created, MadeFolder, Replaced, Renamed, Moved, Attributes, Times, Trashed, Deleted, RemovedFolder };
  Do what = Do::Created;
  std::string path;        // Created, MadeFolder, Replaced, Attributes, Times, Trashed, Deleted, RemovedFolder
  std::string from, to;    // Renamed, Moved
  std::string kept;        // Replaced: the kept old file in the store
  std::string trash, info;  // Trashed: the item in the trash's files/ and its .trashinfo
  ItemId id;               // the item as the run left it (Renamed, Moved: the one at `to`)
  ItemId keptId;           // Replaced
  long oldMode = 0;        // Attributes: st_mode's permission bits before
  std::vector<std::pair<std::string, std::string>> oldAttributes;  // Attributes: user.* names and values before
  DateTime oldModified, oldAccessed;                               // Times
};

struct JournalEnd {
  std::string how;  // "completed" or "stopped"
  long items = 0;
  std::string time;
};

struct Journal {
  std::string file;  // the journal file's path
  JournalHeader header;
  std::vector<JournalItem> items;
  std::optional<JournalEnd> end;  // none: the run was killed
};

// $XDG_DATA_HOME/dorvane/journal (XDG_DATA_HOME defaulting to ~/.local/share), made 0700 when missing.
std::string DefaultJournalFolder();

// Writes one run's journal as the run goes. Lines are buffered and written at least every 200 ms (checked when an
// item is added) and at the end, so a killed run leaves what it did up to the kill.
class JournalWriter {
 public:
  // Opens a new journal in `folder` (0600, never replacing one). Throws dv::Error.
  static std::unique_ptr<JournalWriter> Start(const std::string& folder, JournalHeader header);
  ~JournalWriter();  // flushes
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  const JournalHeader& Header() const;
  void Add(const JournalItem& item);
  // Keeps the old file `name` in the open folder `dir` before the run replaces or rewrites it: a hard link in the
  // store on the same file system (docs/undo.md), a copy where no link can be made. Returns the kept file's path
  // and its identity. Throws dv::Error: the caller then does not replace the file.
  std::pair<std::string, ItemId> Keep(int dir, const char* name, const std::string& path);
  // The last line; nothing may be added after it.
  void End(const std::string& how, long items);
  void Flush();

 private:
  JournalWriter() = default;
  struct State;
  std::unique_ptr<State> state_;
};

// Reads a journal. A last line that is not a whole object (a killed run) is ignored. Throws dv::Error when the
// file cannot be read or its header is not a journal's.
Journal ReadJournal(const std::string& file);
// The journals of `folder`, oldest first (their file paths).
std::vector<std::string> JournalFiles(const std::string& folder);
// Removes the journal `run` of `folder` and its kept files. False when there is no such journal.
bool ForgetJournal(const std::string& folder, const std::string& run);
// Removes the journals (and their kept files) older than `days` days; 0 keeps every journal.
void ForgetOldJournals(const std::string& folder, int days);

}  // namespace dv
