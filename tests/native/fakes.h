#pragma once
// In-memory stand-ins for what the core asks of the system, shared by the
// native tests: each records what it was asked and answers as configured.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/backup_run.h"
#include "core/file_system.h"
#include "core/restore.h"
#include "core/settings.h"
#include "core/target_lock.h"

namespace keepsnap {

// A registry that answers as the Win32 query does for a given room.
class FakeRegistry : public SettingsSource {
 public:
  std::map<std::string, std::string> values;  // key path -> stored bytes
  std::vector<std::pair<std::string, unsigned long>> asked;

  StoredValue ReadDefaultValue(const char* keyPath, unsigned long room) override {
    asked.emplace_back(keyPath, room);
    auto it = values.find(keyPath);
    if (it == values.end()) return StoredValue{StoredValue::kAbsent, ""};
    if (it->second.size() > room) return StoredValue{StoredValue::kTooLong, ""};
    return StoredValue{StoredValue::kRead, it->second};
  }
  // The four settings as the setup stores them.
  void Store(const BackupSettings& s) {
    values.clear();
    values[kDateModeKey] = s.date_mode + '\0';
    values[kDateSeparatorKey] = s.date_separator + '\0';
    values[kDateToUseKey] = s.date_to_use + '\0';
    values[kBackupFolderKey] = s.backup_folder + '\0';
  }
};

// Files and folders by full path. Every change is counted, and the run is
// stopped dead (as a kill stops it) at the change numbered `killAt`; the
// changes and flushes are recorded in order.
class FakeFiles : public FileSystem {
 public:
  struct Node {
    bool folder;
    unsigned attributes;
    std::string body;  // a file's bytes
    FileTime time;     // a file's time is its length unless set; a folder's is 7
  };
  std::map<std::string, Node> nodes;
  // What fails, ";" between two: "copy" or "copy <source>" (a part
  // written), "cancel" or "cancel <source>", "short" (reported done), "plain" (copies keep only
  // their source's read-only bit, as in Wine 10), "flush", "attributes",
  // "replace", "rename <from>", "list", "open" (no file opens), "date" (no
  // file time), "long" (no long form).
  std::string fails;
  std::string sameAs;  // another name of the source's own file
  std::map<std::string, std::string> longForms;  // short path -> long path
  std::string currentFolder = "C:\\Docs";
  std::vector<std::string> calls;
  std::string openedPath;
  std::map<std::string, int> attributesAsked;
  int opened = 0, closed = 0, changes = 0, killAt = 0;
  struct Killed {};

  void Folder(const std::string& path, unsigned attributes = kFolderAttribute) {
    nodes[path] = {true, attributes, "", 7};
  }
  void File(const std::string& path, const std::string& body, unsigned attributes = 32) {
    nodes[path] = {false, attributes, body, body.size()};
  }
  bool Has(const std::string& path) const { return nodes.count(path) != 0; }
  bool Failing(const std::string& what) const { return (";" + fails + ";").find(";" + what + ";") != std::string::npos; }
  // What lies below a folder, by relative path: the bodies, and a "/" for folders.
  std::map<std::string, std::string> Below(const std::string& root) const {
    std::map<std::string, std::string> found;
    for (const auto& n : nodes)
      if (n.first.compare(0, root.size() + 1, root + "\\") == 0)
        found[n.first.substr(root.size() + 1)] = n.second.folder ? "/" : n.second.body;
    return found;
  }

  class Opened : public SourceFile {
   public:
    Opened(FakeFiles* files, FileTime time) : files_(files), time_(time) {}
    ~Opened() override { ++files_->closed; }
    bool LastWrite(FileTime* time) override {
      *time = time_;
      return !files_->Failing("date");
    }

   private:
    FakeFiles* files_;
    FileTime time_;
  };

  bool LongPath(const std::string& path, std::string* longPath) override {
    auto it = longForms.find(path);
    if (Failing("long") || (it == longForms.end() && !Has(path))) return false;
    *longPath = it == longForms.end() ? path : it->second;
    return true;
  }
  // As the system does it: the current folder before a relative path, "/"
  // taken as "\", "." and ".." resolved, doubled separators made one.
  bool FullPath(const std::string& path, std::string* fullPath) override {
    std::string given = path;
    for (char& c : given) c = c == '/' ? '\\' : c;
    if (given.size() < 2 || given[1] != ':') given = currentFolder + "\\" + given;
    std::vector<std::string> parts;
    for (std::string::size_type at = 0, end; at <= given.size(); at = end + 1) {
      end = given.find('\\', at);
      if (end == std::string::npos) end = given.size();
      const std::string part = given.substr(at, end - at);
      if (part == "..") {
        if (parts.size() > 1) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
    }
    fullPath->clear();
    for (const std::string& part : parts) *fullPath += (fullPath->empty() ? "" : "\\") + part;
    return true;
  }
  std::unique_ptr<SourceFile> OpenSource(const std::string& path) override {
    openedPath = path;
    if (Failing("open") || !Has(path) || nodes[path].folder) return nullptr;
    ++opened;
    return std::unique_ptr<SourceFile>(new Opened(this, nodes[path].time));
  }
  bool Attributes(const std::string& path, unsigned* attributes) override {
    ++attributesAsked[path];
    // A folder is found with a separator at its end too.
    std::string name = path;
    if (name.size() > 3 && name.back() == '\\') name.pop_back();
    if (!Has(name)) return false;
    *attributes = nodes[name].attributes | (nodes[name].folder ? kFolderAttribute : 0);
    return true;
  }
  bool SetAttributes(const std::string& path, unsigned attributes) override {
    calls.push_back("attributes " + path + " " + std::to_string(attributes));
    if (Failing("attributes") || !Has(path)) return false;
    Change();
    nodes[path].attributes = attributes;
    return true;
  }
  bool Size(const std::string& path, unsigned long long* size) override {
    if (!Has(path)) return false;
    *size = nodes[path].body.size();
    return true;
  }
  bool LastWrite(const std::string& path, FileTime* time) override {
    if (!Has(path)) return false;
    *time = nodes[path].time;
    return true;
  }
  bool SameFile(const std::string& a, const std::string& b) override { return b == sameAs && Has(a); }
  bool SameBytes(const std::string& a, const std::string& b) override {
    return Has(a) && Has(b) && !nodes[a].folder && !nodes[b].folder && nodes[a].body == nodes[b].body;
  }
  bool List(const std::string& folder, std::vector<FileEntry>* entries) override {
    if (Failing("list")) return false;
    const std::string prefix = folder + "\\";
    for (const auto& n : nodes) {
      if (n.first.compare(0, prefix.size(), prefix) != 0 || n.first.find('\\', prefix.size()) != std::string::npos)
        continue;
      entries->push_back({n.first.substr(prefix.size()), n.second.attributes, n.second.body.size(), n.second.time});
    }
    return true;
  }
  bool MakeFolder(const std::string& path, bool hidden) override {
    std::string folder = path;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    calls.push_back("folder " + folder);
    if (Has(folder)) return false;
    Change();
    Folder(folder, kFolderAttribute | (hidden ? kHiddenAttribute : 0));
    return true;
  }
  CopyOutcome Copy(const std::string& source, const std::string& copy, bool hide) override {
    calls.push_back("copy " + copy);
    if (!Has(source) || Has(copy)) return CopyOutcome::Failed;  // never onto a leftover
    Change();
    Node made = nodes[source];
    if (hide) made.attributes |= kHiddenAttribute;
    if (Failing("plain")) made.attributes = 32 | (made.attributes & kReadOnlyAttribute);  // ARCHIVE, as Wine 10
    const bool broken = Failing("copy") || Failing("copy " + source);
    const bool cancelled = Failing("cancel") || Failing("cancel " + source);
    if (broken || cancelled) made.body.resize(made.body.size() / 3);  // a part written
    if (Failing("short")) made.body.resize(made.body.size() / 2);
    nodes[copy] = made;
    if (broken) return CopyOutcome::Failed;
    return cancelled ? CopyOutcome::Cancelled : CopyOutcome::Done;
  }
  bool Flush(const std::string& path) override {
    calls.push_back("flush " + path);
    return !Failing("flush");
  }
  bool Replace(const std::string& from, const std::string& target) override {
    calls.push_back("replace " + target);
    if (Failing("replace") || !Has(from)) return false;
    Change();
    nodes[target] = nodes[from];
    nodes.erase(from);
    return true;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    calls.push_back("rename " + from);
    if (!Has(from) || Has(to) || Failing("rename " + from)) return false;
    Change();
    std::map<std::string, Node> moved;
    for (auto it = nodes.begin(); it != nodes.end();) {
      if (it->first == from || it->first.compare(0, from.size() + 1, from + "\\") == 0) {
        moved[to + it->first.substr(from.size())] = it->second;
        it = nodes.erase(it);
      } else {
        ++it;
      }
    }
    nodes.insert(moved.begin(), moved.end());
    return true;
  }
  // As the system removes: a folder only once it is empty.
  void Remove(const std::string& path) override {
    if (!Has(path) || !Below(path).empty()) return;
    calls.push_back("remove " + path);
    Change();
    nodes.erase(path);
  }

 private:
  void Change() {
    if (++changes == killAt) throw Killed();
  }
};

// The progress window: the totals begun and the labels shown, in order.
class FakeProgress : public CopyProgress {
 public:
  std::vector<unsigned long long> begun;
  std::vector<std::string> labels;
  bool cancelled = false;
  void Begin(unsigned long long totalBytes) override { begun.push_back(totalBytes); }
  void Label(const std::string& label) override { labels.push_back(label); }
  bool Cancelled() override { return cancelled; }
};

// A window nobody cancels, for copies whose window a test does not look at.
inline FakeProgress& QuietWindow() {
  static FakeProgress window;
  return window;
}

// The targets' locks, by name, in the order taken.
class FakeLocks : public TargetLocks {
 public:
  std::vector<std::string> taken;
  std::unique_ptr<HeldLock> Lock(const std::string& name) override {
    taken.push_back(name);
    return std::unique_ptr<HeldLock>(new HeldLock);
  }
};

class FakeKeys : public KeyboardSource {
 public:
  unsigned char keys[256] = {0};
  void Hold(int key) { keys[key] = 0x80; }
  void ReadKeyboardState(unsigned char out[256]) override {
    for (int i = 0; i < 256; ++i) out[i] = keys[i];
  }
};

// Times as yyyymmdd, so that a row can say which date it means.
class FakeClock : public Clock {
 public:
  CalendarDate today = {2026, 12, 7};
  CalendarDate Today() override { return today; }
  bool LocalDateOf(FileTime time, CalendarDate* date) override {
    *date = {static_cast<unsigned short>(time / 10000), static_cast<unsigned short>(time / 100 % 100),
             static_cast<unsigned short>(time % 100)};
    return time != 0;
  }
};

class FakeUser : public BackupUser {
 public:
  bool dialogOk = true;
  std::vector<bool> answers;  // the dialogs' answers in turn, where set; then dialogOk
  std::string typedName;      // replaces the dialog's text on OK when set
  std::vector<std::string> errors, dialogShown;
  void ShowError(const char* text) override { errors.push_back(text); }
  bool AskNewName(std::string* name) override {
    const bool ok = dialogShown.size() < answers.size() ? answers[dialogShown.size()] : dialogOk;
    dialogShown.push_back(*name);
    if (ok && !typedName.empty()) *name = typedName;
    return ok;
  }
};

// Everything one run asks for, and the run itself.
struct FakeRun {
  FakeKeys keys;
  FakeRegistry registry;
  FakeFiles files;
  FakeProgress progress;
  FakeLocks locks;
  FakeClock clock;
  FakeUser user;
  CodePage cp;
  void Run(const std::string& commandLinePath) {
    BackupServices services = {keys, registry, files, progress, locks, clock, user, cp};
    RunBackup(commandLinePath, services);
  }
  void RunItems(const std::vector<std::string>& items, const ModifierState& modifiers) {
    BackupServices services = {keys, registry, files, progress, locks, clock, user, cp};
    RunSelection(items, modifiers, services);
  }
};

// Everything a restore asks for, and the restore itself.
struct FakeRestore {
  FakeFiles files;
  FakeProgress progress;
  FakeLocks locks;
  CodePage cp;
  CopyOutcome Run(const std::string& item, SourceKind kind, const std::string& copy, const KeptPlace& kept) {
    RestoreServices services = {files, progress, locks, cp};
    return RestoreItem(item, kind, copy, kept, services);
  }
};

}  // namespace keepsnap
