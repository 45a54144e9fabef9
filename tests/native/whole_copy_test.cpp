#include "core/whole_copy.h"

#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "tests/native/fakes.h"

namespace keepsnap {
namespace {

const char kSource[] = "C:\\Docs\\report.txt";
const char kTarget[] = "C:\\Docs\\report-2003-09-20.txt";
const char kTemporary[] = "C:\\Docs\\~report-2003-09-20.txt.keepsnap";

// Every way a copy can end: the target holds the earlier file or the whole
// new one, never a part; the temporary never outlives the run, and nothing
// takes the target's name before it was checked and flushed.
TEST(CopyWholeOrNothing, TargetHoldsEarlierOrWholeCopy) {
  const std::string tmp = kTemporary;
  struct Row {
    const char* what;
    std::string fails;
    unsigned earlierAttributes;  // of the earlier backup; 99: none
    bool leftover;               // a killed run's temporary lies there
    CopyOutcome outcome;
    std::vector<std::string> calls;
  } rows[] = {
      {"replaces the earlier backup", "", 0, false, CopyOutcome::Done,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "replace " + std::string(kTarget)}},
      {"first backup of the day", "", 99, false, CopyOutcome::Done,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "replace " + std::string(kTarget)}},
      {"a killed run's leftover goes first", "", 0, true, CopyOutcome::Done,
       {"remove " + tmp, "copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32",
        "replace " + std::string(kTarget)}},
      {"copier fails part-way (disk full, read error)", "copy", 0, false, CopyOutcome::Failed,
       {"copy " + tmp, "remove " + tmp}},
      {"copy reported done but short", "short", 0, false, CopyOutcome::Failed, {"copy " + tmp, "remove " + tmp}},
      {"cancelled", "cancel", 0, false, CopyOutcome::Cancelled, {"copy " + tmp, "remove " + tmp}},
      {"flush fails", "flush", 0, false, CopyOutcome::Failed, {"copy " + tmp, "flush " + tmp, "remove " + tmp}},
      {"unhiding fails", "attributes", 0, false, CopyOutcome::Failed,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "remove " + tmp}},
      {"rename fails", "replace", 0, false, CopyOutcome::Failed,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "replace " + std::string(kTarget),
        "remove " + tmp}},
      {"read-only earlier backup", "", kReadOnlyAttribute, false, CopyOutcome::Failed, {}},
      {"hidden earlier backup", "", kHiddenAttribute, false, CopyOutcome::Failed, {}},
  };
  for (const Row& r : rows) {
    FakeFiles f;
    f.File(kSource, std::string(3000, 's'));  // FILE_ATTRIBUTE_ARCHIVE
    if (r.earlierAttributes != 99) f.File(kTarget, std::string(1000, 'e'), r.earlierAttributes);
    if (r.leftover) f.File(kTemporary, std::string(10, 't'), kHiddenAttribute);
    f.fails = r.fails;
    EXPECT_EQ(r.outcome, CopyWholeOrNothing(kSource, kTarget, "report.txt", CodePage(), f, QuietWindow())) << r.what;
    EXPECT_EQ(r.calls, f.calls) << r.what;
    EXPECT_FALSE(f.Has(kTemporary)) << r.what << ": the temporary outlived the run";
    if (r.outcome == CopyOutcome::Done) {
      EXPECT_EQ(3000u, f.nodes[kTarget].body.size()) << r.what;
      EXPECT_EQ(32u, f.nodes[kTarget].attributes) << r.what << ": shown as the source is";
    } else if (r.earlierAttributes != 99) {
      EXPECT_EQ(1000u, f.nodes[kTarget].body.size()) << r.what << ": the earlier backup changed";
      EXPECT_EQ(r.earlierAttributes, f.nodes[kTarget].attributes) << r.what;
    }
  }
}

// A typed name that is the source itself (another spelling of its path)
// leaves the source alone, a source that is gone makes nothing; a hidden source gives a hidden backup, as the
// system's copy does.
TEST(CopyWholeOrNothing, SourceNeverReplacedHiddenSourceStaysHidden) {
  FakeFiles f;
  f.File(kSource, std::string(3000, 's'));
  f.sameAs = "C:\\DOCS~1\\REPORT.TXT";
  f.File(f.sameAs, std::string(3000, 's'));  // the other spelling is there, as the source is
  EXPECT_EQ(CopyOutcome::Failed, CopyWholeOrNothing(kSource, f.sameAs, "report.txt", CodePage(), f, QuietWindow()));
  EXPECT_TRUE(f.calls.empty());

  FakeFiles gone;  // the source went, or the calls cannot reach its name
  EXPECT_EQ(CopyOutcome::Failed, CopyWholeOrNothing(kSource, kTarget, "report.txt", CodePage(), gone, QuietWindow()));
  EXPECT_TRUE(gone.calls.empty());

  FakeFiles hidden;
  hidden.File(kSource, std::string(3000, 's'), kHiddenAttribute);
  EXPECT_EQ(CopyOutcome::Done, CopyWholeOrNothing(kSource, kTarget, "report.txt", CodePage(), hidden, QuietWindow()));
  EXPECT_EQ(kHiddenAttribute, hidden.nodes[kTarget].attributes);
}

// Beside the target, whatever separates its folders; a double-byte name
// whose second byte is 0x5C keeps its folder.
TEST(CopyWholeOrNothing, TemporaryNameBesideTarget) {
  const char* rows[][2] = {
      {"C:\\Docs\\report-2003-09-20.txt", "C:\\Docs\\~report-2003-09-20.txt.keepsnap"},
      {"C:/Docs/copy.txt", "C:/Docs/~copy.txt.keepsnap"},
      {"C:\\Docs/sub\\copy.txt", "C:\\Docs/sub\\~copy.txt.keepsnap"},
      {"copy.txt", "~copy.txt.keepsnap"},
      {"D:copy.txt", "D:~copy.txt.keepsnap"},
      {"\\\\server\\share\\copy.txt", "\\\\server\\share\\~copy.txt.keepsnap"},
  };
  for (const auto& r : rows) EXPECT_EQ(r[1], TemporaryNameFor(r[0], CodePage())) << r[0];
  EXPECT_EQ("C:\\\x95\x5C" "a\\~\x95\x5C.txt.keepsnap", TemporaryNameFor("C:\\\x95\x5C" "a\\\x95\x5C.txt", CodePage::ShiftJis()));
  EXPECT_EQ("C:\\Docs\\~Project-2003-09-20.keepsnap-earlier", AsideNameFor("C:\\Docs\\Project-2003-09-20", CodePage()));
}

// Every name a backup leaves is one, from both sides: a looser rule leaves
// the user's own files out of every folder's backup, a narrower one copies a
// whole old backup into it.
TEST(CopyWholeOrNothing, LeftoverNamesAreExactlyTheOnesLeft) {
  for (const char* target : {"report-2003-09-20.txt", "Project-2003-09-20", "a"}) {
    EXPECT_TRUE(IsLeftoverName(TemporaryNameFor(target, CodePage()))) << target;
    EXPECT_TRUE(IsLeftoverName(AsideNameFor(target, CodePage()))) << target;
  }
  for (const char* own : {"data.keepsnap", "~", "~data.keepsnap.txt", "~data.keepsnap-later", "~data",
                          "data.keepsnap-earlier", "x~data.keepsnap", "~data.KEEPSNAP "})
    EXPECT_FALSE(IsLeftoverName(own)) << own;
}

// A file's restore: what it holds is kept first under the name a backup
// would give it today (a name taken by other content never replaced, one
// taken by the same content used as it is), then the copy's bytes take its
// place; the copy stays. Killed at every change, every version is whole
// under some name; cancelled, the item is as it was.
TEST(CopyWholeOrNothing, RestoreKeepsWhatTheFileHeld) {
  const std::string item = "C:\\Docs\\report.txt", copy = "C:\\Docs\\backup\\report-2003-09-20.txt";
  const std::string today = "C:\\Docs\\report-2026-12-10.txt";
  const auto arrange = [&](FakeFiles* f) {
    f->Folder("C:\\Docs");
    f->Folder("C:\\Docs\\backup");
    f->File(item, "today's work");
    f->File(copy, "yesterday's");
  };
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> taken;  // names of today taken, and what they hold
    std::string kept;
    bool alreadyKept;
  } rows[] = {
      {"the name is free", {}, today, false},
      {"taken by the same content", {{today, "today's work"}}, today, true},
      {"taken by other content", {{today, "this morning"}}, "C:\\Docs\\report-2026-12-10 (2).txt", false},
      {"taken twice", {{today, "this morning"}, {"C:\\Docs\\report-2026-12-10 (2).txt", "noon"}},
       "C:\\Docs\\report-2026-12-10 (3).txt", false},
      {"(2) holds it already", {{today, "this morning"}, {"C:\\Docs\\report-2026-12-10 (2).txt", "today's work"}},
       "C:\\Docs\\report-2026-12-10 (2).txt", true},
  };
  for (const auto& row : rows) {
    FakeRestore r;
    FakeFiles& f = r.files;
    arrange(&f);
    for (const auto& taken : row.taken) f.File(taken.first, taken.second);
    const KeptPlace kept = KeptPlaceFor(item, SourceKind::File, "2026-12-10", CodePage(), f);
    EXPECT_EQ(row.kept, kept.path) << row.what;
    EXPECT_EQ(row.alreadyKept, kept.alreadyKept) << row.what;
    ASSERT_EQ(CopyOutcome::Done, r.Run(item, SourceKind::File, copy, kept)) << row.what;
    EXPECT_EQ("yesterday's", f.nodes[item].body) << row.what;
    EXPECT_EQ("today's work", f.nodes[kept.path].body) << row.what;
    EXPECT_EQ("yesterday's", f.nodes[copy].body) << row.what;
    for (const auto& taken : row.taken) EXPECT_EQ(taken.second, f.nodes[taken.first].body) << row.what;
    EXPECT_EQ(2u, r.locks.taken.size()) << row.what << ": the item and the kept name";
  }
  for (int killAt = 1;; ++killAt) {
    FakeRestore r;
    FakeFiles& f = r.files;
    arrange(&f);
    const KeptPlace kept = KeptPlaceFor(item, SourceKind::File, "2026-12-10", CodePage(), f);
    f.killAt = killAt;
    try {
      r.Run(item, SourceKind::File, copy, kept);
      break;  // every change has had its kill
    } catch (FakeFiles::Killed&) {
    }
    const std::string held = f.nodes[item].body;
    EXPECT_TRUE(held == "today's work" || (held == "yesterday's" && f.nodes[today].body == "today's work"))
        << "killed at change " << killAt;
    if (f.Has(today)) {
      EXPECT_EQ("today's work", f.nodes[today].body) << "killed at change " << killAt;
    }
    EXPECT_EQ("yesterday's", f.nodes[copy].body) << "killed at change " << killAt;
  }
  {  // Cancelled while the copy comes in: the item as it was, the kept copy stays
    FakeRestore r;
    FakeFiles& f = r.files;
    arrange(&f);
    const KeptPlace kept = KeptPlaceFor(item, SourceKind::File, "2026-12-10", CodePage(), f);
    f.fails = "cancel " + copy;
    EXPECT_EQ(CopyOutcome::Cancelled, r.Run(item, SourceKind::File, copy, kept));
    EXPECT_EQ("today's work", f.nodes[item].body);
    EXPECT_EQ("today's work", f.nodes[today].body);
    EXPECT_FALSE(f.Has("C:\\Docs\\~report.txt.keepsnap"));
  }
  // Refused before anything is asked: read-only, hidden, system, held open
  // without sharing, gone.
  const struct {
    unsigned attributes;
    const char* fails;
    RestoreRefusal refusal;
  } refusals[] = {{32, "", RestoreRefusal::None},
                  {kReadOnlyAttribute, "", RestoreRefusal::ReadOnly},
                  {kHiddenAttribute, "", RestoreRefusal::Hidden},
                  {kSystemAttribute, "", RestoreRefusal::System},
                  {32, "open", RestoreRefusal::InUse}};
  for (const auto& r : refusals) {
    FakeFiles f;
    f.File(item, "now", r.attributes);
    f.fails = r.fails;
    EXPECT_EQ(r.refusal, RefusalFor(item, SourceKind::File, f)) << r.attributes << r.fails;
    EXPECT_EQ(0, f.changes);
  }
  FakeFiles none;
  EXPECT_EQ(RestoreRefusal::Gone, RefusalFor(item, SourceKind::File, none));
}

}  // namespace
}  // namespace keepsnap
