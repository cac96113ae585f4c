#pragma once
// A fresh temporary folder per test, with helpers to build trees of files, folders, links and FIFOs, and to point
// the private temporary folder, the settings store and the home folder at folders of the test's own.
#include <ctime>
#include <string>
#include <vector>

namespace dv::test {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& Root() const { return root_; }
  // Root() + "/" + rel.
  std::string operator/(const std::string& rel) const { return root_ + "/" + rel; }

  // Each helper takes a path relative to Root(), creates missing parent folders and returns the full path.
  std::string Dir(const std::string& rel);
  std::string File(const std::string& rel, const std::string& content = "");
  std::string Link(const std::string& rel, const std::string& target);
  std::string Fifo(const std::string& rel);
  // Sets the access and modification times of a path (not following links).
  void SetTimes(const std::string& rel, std::time_t accessed, std::time_t modified);

  static std::string Read(const std::string& path);
  static bool Exists(const std::string& path);  // lstat: a dangling link exists

 private:
  std::string root_;
};

// Removes a folder tree without following links (test clean-up; folders are made writable first).
void RemoveTree(const std::string& root);

// Removes the tree at `path`, if it is still there, when the test ends, through folder handles only: for trees
// deeper than PATH_MAX, which path-based removal cannot reach, so that a failed deletion leaves nothing behind.
struct DeepCleanup {
  std::string path;
  ~DeepCleanup();
};

// Sets environment variables (nullptr unsets one) for the object's lifetime and restores them afterwards.
class EnvironmentScope {
 public:
  EnvironmentScope() = default;
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;
  ~EnvironmentScope() { Restore(); }
  void Set(const char* name, const char* value);
  // Puts every variable back as it was before the first Set.
  void Restore();

 private:
  struct Saved {
    std::string name;
    bool had;
    std::string value;
  };
  std::vector<Saved> saved_;
};

// Sets the local time zone (TZ, e.g. "CET-1CEST,M3.5.0,M10.5.0/3") for the object's lifetime.
class LocalZone {
 public:
  explicit LocalZone(const char* zone);
  ~LocalZone();

 private:
  EnvironmentScope env_;
};

// Points XDG_RUNTIME_DIR, XDG_CONFIG_HOME, XDG_CONFIG_DIRS and HOME at folders inside a TempTree for the
// lifetime of the object, and restores them afterwards, with any variable the test changes through Set.
class IsolatedEnvironment {
 public:
  explicit IsolatedEnvironment(TempTree& tree);
  std::string RuntimeDir() const { return runtime_; }
  std::string ConfigHome() const { return configHome_; }
  std::string ConfigDirs() const { return configDirs_; }
  std::string Home() const { return home_; }
  // Sets one more variable (nullptr unsets it) until the object ends.
  void Set(const char* name, const char* value) { scope_.Set(name, value); }
  void Set(const char* name, const std::string& value) { scope_.Set(name, value.c_str()); }

 private:
  std::string runtime_, configHome_, configDirs_, home_;
  EnvironmentScope scope_;
};

}  // namespace dv::test
