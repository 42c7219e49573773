// Storing what CollectSources found into a set, and what is told of it: one rule for the CLI's
// create and add and for every command of the desktop program that stores (Add, Add Folder, a
// drop, the start-up add).
//
// - Files already in the set (same folder and name once case is folded) and the set's own files
//   (its header, pieces and files made from it) are named as notes: nothing the user meant to
//   keep is lost by leaving them out, and the command does not fail for them.
// - Sources that could not be listed, read or stored are failures, named, and so is the failure
//   that stopped storing, with what it means for the pieces.
// - A name the set needs held by a file that is not the set's stops storing, and what the
//   command stored is to be undone (undo): the set stays as it was before the command.
// The caller commits or closes the set afterwards, and says how that went.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/piece_set.h"
#include "engine/source_walk.h"

namespace vornalis {

struct StoreOutcome {
  std::size_t stored = 0;             // files the set took
  std::vector<std::string> notes;     // left out, harmlessly
  std::vector<std::string> failures;  // left out or failed, each a line
  Status failure = Status::Ok();      // what stopped storing, when something did
  bool undo = false;                  // a name not the set's stopped it: discard the command
  // No file failed and nothing was left out but harmlessly (a break-off is no failure).
  bool ok() const { return failures.empty(); }
};

struct StoreRequest {
  // The folder AddFiles is given as its work folder; each group's own root when empty.
  std::string work_folder;
  void* context = nullptr;
  ProgressCallback callback = nullptr;  // after each file stored; -1 stops
  // Told how many files are to be stored, once those the set holds already are left out.
  std::function<void(std::size_t)> counted;
  // Whether the user stopped the command (the callback returned -1, Ctrl-C): no group follows.
  std::function<bool()> stopped;
  // Wraps the storing of each group, which it must run once (the CLI reads the group's small
  // files ahead meanwhile); storing runs bare without it.
  std::function<void(const SourceGroup&, const std::function<void()>& store)> around_group;
};

// Stores sources into set, group by group, until a group fails or the callback stops.
StoreOutcome StoreSources(PieceSet& set, SourceList sources, const StoreRequest& request);

// How a command that stores leaves the set once it is done: open for more (the desktop program
// commits and keeps it), or closed (the CLI).
enum class AfterStoring { kKeepOpen, kClose };

// StoreSources, then the set committed or thrown back, by one rule for every command that stores:
// - a name the set needs held by a file not the set's undoes the command (kUndone);
// - a set that replaces another is committed only once this, its first storing, went through
//   whole: after a failure or a stop it is thrown away, and the set it was to replace stays
//   (kNotReplaced);
// - otherwise what was stored, all of it or up to a break-off or a failure, is committed
//   (kCommitted), or the commit fails and the set is as it was before the command
//   (kCommitFailed).
struct StoreReport {
  enum class End { kCommitted, kUndone, kNotReplaced, kCommitFailed };
  StoreOutcome outcome;
  End end = End::kCommitted;
  // For the user, in order: what failed and what that means for the set; empty when nothing
  // failed. What was left out harmlessly is in outcome.notes.
  std::vector<std::string> lines;
  // What the commit did to the set's recovery files, when it did anything, as sentences without
  // their last full stop: those of a replaced set were removed, or an add made them older than
  // the set.
  std::vector<std::string> recovery;
  bool recovery_older = false;  // the add made them older: a new protection is due
  bool stopped = false;         // request.stopped said so when the set's end was decided
  bool kept() const { return end == End::kCommitted; }
};
StoreReport StoreAndCommit(PieceSet& set, SourceList sources, const StoreRequest& request,
                           AfterStoring after);

}  // namespace vornalis
