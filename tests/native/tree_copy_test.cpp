#include "core/tree_copy.h"

#include <gtest/gtest.h>


#include <map>
#include <string>
#include <vector>

#include "tests/native/fakes.h"

namespace keepsnap {
namespace {

const char kProject[] = "C:\\Docs\\Project";
const char kProjectCopy[] = "C:\\Docs\\Project-2003-09-20";
const char kProjectTemporary[] = "C:\\Docs\\~Project-2003-09-20.keepsnap";
const char kProjectAside[] = "C:\\Docs\\~Project-2003-09-20.keepsnap-earlier";

// The source: nested and empty folders, a hidden file, a system file, a
// read-only folder, a link that is not followed, leftovers of the tree's own
// that are skipped (a partial copy, and a child's earlier copy moved aside,
// a whole old tree) and the user's own file that only ends as they do.
void MakeProject(FakeFiles* t) {
  t->Folder("C:\\Docs");
  t->Folder(kProject);
  t->File("C:\\Docs\\Project\\plan.txt", "plan, new");
  t->Folder("C:\\Docs\\Project\\src", kFolderAttribute | kReadOnlyAttribute);
  t->File("C:\\Docs\\Project\\src\\main.c", "int main;");
  t->Folder("C:\\Docs\\Project\\src\\empty");
  t->File("C:\\Docs\\Project\\src\\.hidden", "h");
  t->nodes["C:\\Docs\\Project\\src\\.hidden"].attributes = kHiddenAttribute;
  t->Folder("C:\\Docs\\Project\\up", kFolderAttribute | 0x400);
  t->File("C:\\Docs\\Project\\src\\boot.ini", "s", kSystemAttribute);
  t->File("C:\\Docs\\Project\\~old.txt.keepsnap", "leftover");
  t->Folder("C:\\Docs\\Project\\~Child-2003-09-20.keepsnap-earlier", kFolderAttribute | kHiddenAttribute);
  t->File("C:\\Docs\\Project\\~Child-2003-09-20.keepsnap-earlier\\old.txt", "a whole old backup");
  t->File("C:\\Docs\\Project\\data.keepsnap", "mine");
}

const std::map<std::string, std::string> kProjectCopied = {
    {"plan.txt", "plan, new"}, {"data.keepsnap", "mine"}, {"src", "/"},         {"src\\main.c", "int main;"},
    {"src\\empty", "/"},       {"src\\.hidden", "h"},      {"src\\boot.ini", "s"}};

// What a walk finds: links and the tree's own leftovers left out, parents
// before their children, the newest file's time, the bytes in all.
TEST(CopyTreeWholeOrNothing, PlanLeavesOutLinksAndLeftovers) {
  FakeFiles t;
  MakeProject(&t);
  TreePlan plan;
  ASSERT_TRUE(PlanTree(kProject, t, &plan));
  const std::vector<std::pair<std::string, unsigned>> files = {{"data.keepsnap", 32},
                                                               {"plan.txt", 32},
                                                               {"src\\.hidden", kHiddenAttribute},
                                                               {"src\\boot.ini", kSystemAttribute},
                                                               {"src\\main.c", 32}};
  std::vector<std::pair<std::string, unsigned>> planned;
  for (const PlannedEntry& file : plan.files) planned.emplace_back(file.path, file.attributes);
  EXPECT_EQ(files, planned);
  ASSERT_EQ(2u, plan.folders.size());
  EXPECT_EQ("src", plan.folders[0].path);
  EXPECT_EQ("src\\empty", plan.folders[1].path);
  EXPECT_EQ(kFolderAttribute | kReadOnlyAttribute, plan.folders[0].attributes);
  EXPECT_EQ(24u, plan.totalBytes);
  EXPECT_EQ(9u, TreeDateTime(plan)) << "the newest file's time";
  t.fails = "list";
  TreePlan unread;
  EXPECT_FALSE(PlanTree(kProject, t, &unread));
  FakeFiles empty;
  empty.Folder(kProject);
  TreePlan none;
  ASSERT_TRUE(PlanTree(kProject, empty, &none));
  EXPECT_EQ(7u, TreeDateTime(none)) << "no file: the folder's own time";
}

// Every way a folder's copy can end. Afterwards the target holds the new
// tree whole, or the earlier one whole (with nothing of the new one in it),
// and no temporary or aside copy is left.
TEST(CopyTreeWholeOrNothing, TargetHoldsEarlierOrWholeCopy) {
  struct Row {
    const char* what;
    std::string fails;
    bool earlier;
    const char* leftover;  // what a killed run left, if anything
    CopyOutcome outcome;
  } rows[] = {
      {"first copy of the day", "", false, nullptr, CopyOutcome::Done},
      {"an earlier copy replaced whole", "", true, nullptr, CopyOutcome::Done},
      {"a copier that keeps only the read-only bit", "plain", true, nullptr, CopyOutcome::Done},
      {"a partial copy left by a killed run", "", true, kProjectTemporary, CopyOutcome::Done},
      {"an earlier copy left aside comes back first", "", false, kProjectAside, CopyOutcome::Done},
      {"an aside copy when the new one got in", "", true, kProjectAside, CopyOutcome::Done},
      {"a file fails deep in the tree", "copy C:\\Docs\\Project\\src\\main.c", true, nullptr, CopyOutcome::Failed},
      {"a copy reported done but short", "short", true, nullptr, CopyOutcome::Failed},
      {"the flush fails", "flush", true, nullptr, CopyOutcome::Failed},
      {"cancelled", "cancel", true, nullptr, CopyOutcome::Cancelled},
      {"the earlier copy cannot be moved aside", std::string("rename ") + kProjectCopy, true, nullptr,
       CopyOutcome::Failed},
      {"the new copy cannot take the name", std::string("rename ") + kProjectTemporary, true, nullptr,
       CopyOutcome::Failed},
      {"an earlier copy left aside comes back, shown, though the copy fails", "flush", false, kProjectAside,
       CopyOutcome::Failed},
  };
  const std::map<std::string, std::string> earlierTree = {{"plan.txt", "plan, old"}, {"gone.txt", "only then"}};
  for (const Row& r : rows) {
    FakeFiles t;
    MakeProject(&t);
    if (r.earlier) {
      t.Folder(kProjectCopy);
      t.File(std::string(kProjectCopy) + "\\plan.txt", "plan, old");
      t.File(std::string(kProjectCopy) + "\\gone.txt", "only then");
    }
    if (r.leftover != nullptr) {
      t.Folder(r.leftover, kFolderAttribute | kHiddenAttribute);
      t.File(std::string(r.leftover) + "\\plan.txt", "plan, old");
      t.File(std::string(r.leftover) + "\\gone.txt", "only then");
    }
    TreePlan plan;
    ASSERT_TRUE(PlanTree(kProject, t, &plan));
    t.fails = r.fails;
    EXPECT_EQ(r.outcome, CopyTreeWholeOrNothing(kProject, kProjectCopy, plan, CodePage(), t, QuietWindow())) << r.what;
    EXPECT_FALSE(t.Has(kProjectTemporary)) << r.what << ": a temporary left";
    EXPECT_FALSE(t.Has(kProjectAside)) << r.what << ": an aside copy left";
    if (r.outcome == CopyOutcome::Done) {
      EXPECT_EQ(kProjectCopied, t.Below(kProjectCopy)) << r.what;
      EXPECT_EQ(kFolderAttribute, t.nodes[kProjectCopy].attributes) << r.what << ": shown as its source";
      EXPECT_EQ(kFolderAttribute | kReadOnlyAttribute, t.nodes[std::string(kProjectCopy) + "\\src"].attributes);
      EXPECT_EQ(kHiddenAttribute, t.nodes[std::string(kProjectCopy) + "\\src\\.hidden"].attributes) << r.what;
      EXPECT_EQ(kSystemAttribute, t.nodes[std::string(kProjectCopy) + "\\src\\boot.ini"].attributes) << r.what;
      EXPECT_EQ(32u, t.nodes[std::string(kProjectCopy) + "\\plan.txt"].attributes) << r.what;
    } else if (r.earlier || r.leftover == kProjectAside) {
      EXPECT_EQ(earlierTree, t.Below(kProjectCopy)) << r.what << ": the earlier copy changed";
      EXPECT_EQ(kFolderAttribute, t.nodes[kProjectCopy].attributes) << r.what;
    }
  }
  // Into itself, or over itself, or over a file: refused before anything is made.
  for (const std::string& target : {std::string(kProject) + "\\inner", std::string("c:\\docs\\project"),
                                    std::string("C:\\Docs"), std::string("C:\\Docs\\Project\\plan.txt")}) {
    FakeFiles t;
    MakeProject(&t);
    TreePlan plan;
    ASSERT_TRUE(PlanTree(kProject, t, &plan));
    EXPECT_EQ(CopyOutcome::Failed, CopyTreeWholeOrNothing(kProject, target, plan, CodePage(), t, QuietWindow())) << target;
    EXPECT_EQ(0, t.changes) << target;
  }
}

// Killed at every change a run makes: the target's name holds the earlier
// copy whole, the new one whole, or nothing with the earlier one whole and
// hidden aside; leftovers are hidden; the next run puts it right and ends
// with the new copy alone.
TEST(CopyTreeWholeOrNothing, KilledAnywhere) {
  const std::map<std::string, std::string> earlierTree = {{"plan.txt", "plan, old"}, {"gone.txt", "only then"}};
  for (int killAt = 1;; ++killAt) {
    FakeFiles t;
    MakeProject(&t);
    t.Folder(kProjectCopy);
    t.File(std::string(kProjectCopy) + "\\plan.txt", "plan, old");
    t.File(std::string(kProjectCopy) + "\\gone.txt", "only then");
    TreePlan plan;
    ASSERT_TRUE(PlanTree(kProject, t, &plan));
    t.killAt = killAt;
    bool killed = false;
    try {
      CopyTreeWholeOrNothing(kProject, kProjectCopy, plan, CodePage(), t, QuietWindow());
    } catch (FakeFiles::Killed&) {
      killed = true;
    }
    if (!killed) break;  // every change has had its kill
    const std::map<std::string, std::string> named = t.Below(kProjectCopy);
    if (t.Has(kProjectCopy)) {
      EXPECT_TRUE(named == earlierTree || named == kProjectCopied) << "killed at change " << killAt;
    } else {
      EXPECT_EQ(earlierTree, t.Below(kProjectAside)) << "killed at change " << killAt;
    }
    for (const char* leftover : {kProjectTemporary, kProjectAside}) {
      if (t.Has(leftover)) {
        EXPECT_TRUE(t.nodes[leftover].attributes & kHiddenAttribute) << leftover << ", killed at " << killAt;
      }
    }
    t.killAt = 0;
    EXPECT_EQ(CopyOutcome::Done, CopyTreeWholeOrNothing(kProject, kProjectCopy, plan, CodePage(), t, QuietWindow())) << killAt;
    EXPECT_EQ(kProjectCopied, t.Below(kProjectCopy)) << "the run after a kill at " << killAt;
    EXPECT_FALSE(t.Has(kProjectTemporary) || t.Has(kProjectAside)) << "left after the run after a kill at " << killAt;
  }
}

// A folder's restore: the tree it holds now is kept first, whole, under
// today's name (the same tree already there is used as it is), then the
// copy's tree takes its place; killed at every change, the folder holds its
// old tree or the copy's whole, or waits whole aside, and the kept tree is
// whole wherever it shows.
TEST(CopyTreeWholeOrNothing, RestoreKeepsWhatTheFolderHeld) {
  const std::string kept = "C:\\Docs\\Project-2026-12-10";
  const std::map<std::string, std::string> earlierTree = {{"plan.txt", "plan, old"}, {"gone.txt", "only then"}};
  const auto arrange = [&](FakeFiles* t) {
    MakeProject(t);
    t->Folder(kProjectCopy);
    t->File(std::string(kProjectCopy) + "\\plan.txt", "plan, old");
    t->File(std::string(kProjectCopy) + "\\gone.txt", "only then");
  };
  {
    FakeRestore r;
    FakeFiles& t = r.files;
    arrange(&t);
    const KeptPlace place = KeptPlaceFor(kProject, SourceKind::Folder, "2026-12-10", CodePage(), t);
    EXPECT_EQ(kept, place.path);
    ASSERT_EQ(CopyOutcome::Done, r.Run(kProject, SourceKind::Folder, kProjectCopy, place));
    EXPECT_EQ(earlierTree, t.Below(kProject));
    EXPECT_EQ(kProjectCopied, t.Below(kept));
    EXPECT_EQ(earlierTree, t.Below(kProjectCopy)) << "the copy stays as it was";
    // Today's name now holds the same tree as the folder: used as it is.
    const KeptPlace again = KeptPlaceFor(kProject, SourceKind::Folder, "2026-12-10", CodePage(), t);
    EXPECT_EQ(std::string(kept) + " (2)", again.path) << "another tree: numbered";
    t.Folder(kept + " (2)");
    t.File(kept + " (2)\\plan.txt", "plan, old");
    t.File(kept + " (2)\\gone.txt", "only then");
    const KeptPlace same = KeptPlaceFor(kProject, SourceKind::Folder, "2026-12-10", CodePage(), t);
    EXPECT_EQ(kept + " (2)", same.path);
    EXPECT_TRUE(same.alreadyKept);
  }
  for (int killAt = 1;; ++killAt) {
    FakeRestore r;
    FakeFiles& t = r.files;
    arrange(&t);
    const KeptPlace place = KeptPlaceFor(kProject, SourceKind::Folder, "2026-12-10", CodePage(), t);
    const std::map<std::string, std::string> original = t.Below(kProject);
    t.killAt = killAt;
    try {
      r.Run(kProject, SourceKind::Folder, kProjectCopy, place);
      break;
    } catch (FakeFiles::Killed&) {
    }
    const std::map<std::string, std::string> held = t.Below(kProject);
    if (t.Has(kProject)) {
      EXPECT_TRUE(held == original || held == earlierTree) << "killed at change " << killAt;
    } else {
      EXPECT_EQ(original, t.Below("C:\\Docs\\~Project.keepsnap-earlier")) << "killed at change " << killAt;
    }
    // Once the folder is no longer as it was, what it held is kept whole.
    if (held != original || t.Has(kept)) {
      EXPECT_EQ(kProjectCopied, t.Below(kept)) << "killed at change " << killAt;
    }
    EXPECT_EQ(earlierTree, t.Below(kProjectCopy)) << "killed at change " << killAt;
  }
}

}  // namespace
}  // namespace keepsnap
