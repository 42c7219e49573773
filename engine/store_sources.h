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

}  // namespace vornalis
