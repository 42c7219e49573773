#include "tests/desktop/fake_view.h"

#include <algorithm>
#include <cctype>

namespace vornalis::testing {
namespace {

template <typename T>
T Next(std::deque<T>& queue, T none) {
  if (queue.empty()) return none;
  T answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

}  // namespace

std::string CountingTypes::NameFor(int, std::string_view extension) {
  asked.emplace_back(extension);
  if (extension.empty()) return "no type";
  std::string upper(extension.substr(1));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper + " type";
}

void FakeView::Error(const std::string& text) { messages.push_back("Error: " + text); }

bool FakeView::Warning(const std::string& text) {
  messages.push_back("Warning: " + text);
  return Next(warnings, false);
}

void FakeView::Information(const std::string& text) { messages.push_back("Information: " + text); }

void FakeView::ErrorList(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "|") + line;
  messages.push_back("ErrorList: " + joined);
  error_list = lines;
}

std::optional<desktop::NewSetChoice> FakeView::ChooseNewSet(
    const std::string& start_folder,
    const std::function<bool(const desktop::PieceSizeChoice& size)>& may_close) {
  asked.push_back("ChooseNewSet " + start_folder);
  // A choice the session refuses keeps the dialog open for the next one queued.
  for (;;) {
    std::optional<desktop::NewSetChoice> choice =
        Next(new_sets, std::optional<desktop::NewSetChoice>());
    if (!choice || may_close(choice->size)) return choice;
  }
}

std::optional<desktop::PieceSizeChoice> FakeView::ChoosePieceSize() {
  asked.emplace_back("ChoosePieceSize");
  return Next(piece_sizes, std::optional<desktop::PieceSizeChoice>());
}

std::optional<std::string> FakeView::ChooseSetFile(const std::string& start_folder) {
  asked.push_back("ChooseSetFile " + start_folder);
  return Next(set_files, std::optional<std::string>());
}

std::vector<std::string> FakeView::ChooseFilesToAdd() {
  asked.emplace_back("ChooseFilesToAdd");
  return Next(files_to_add, std::vector<std::string>());
}

std::optional<std::string> FakeView::ChooseFolderToAdd(const std::string& start_folder) {
  asked.push_back("ChooseFolderToAdd " + start_folder);
  return Next(folders_to_add, std::optional<std::string>());
}

std::optional<std::string> FakeView::ChooseAssembleFolder(
    const std::string& start_folder,
    const std::function<bool(const std::string& folder)>& may_close) {
  asked.push_back("ChooseAssembleFolder " + start_folder);
  std::optional<std::string> folder = Next(assemble_folders, std::optional<std::string>());
  if (folder && !may_close(*folder)) return std::nullopt;
  return folder;
}

std::optional<unsigned> FakeView::ChooseRedundancy() {
  asked.emplace_back("ChooseRedundancy");
  return Next(redundancies, std::optional<unsigned>());
}

void FakeView::RowsSorted(const std::vector<std::size_t>& place) {
  for (std::size_t& row : selected) row = place.at(row);
  std::sort(selected.begin(), selected.end());
}

void FakeView::Caption(const std::string& text) {
  caption = text;
  captions.push_back(text);
}

void FakeView::SelectAllRows() {
  if (!session) return;
  for (std::size_t row = 0; row < session->List().Size(); ++row) {
    if (std::find(selected.begin(), selected.end(), row) != selected.end()) continue;
    selected.push_back(row);
    session->RowSelected(row, true);
  }
  std::sort(selected.begin(), selected.end());
}

void FakeView::BeginProgress() {
  ++progress_shown;
  in_progress = true;
}

void FakeView::StepProgress(int percent) {
  steps.push_back(percent);
  if (on_step) on_step(percent);
}

bool FakeView::BreakOffRequested() { return Next(break_offs, false); }

std::vector<std::string> ListRows(const desktop::Session& session) {
  std::vector<std::string> rows;
  const desktop::FileList& list = session.List();
  for (std::size_t row = 0; row < list.Size(); ++row)
    rows.push_back(list.Text(row, 0) + "|" + list.Text(row, 1) + "|" + list.Text(row, 2) + "|" +
                   list.Text(row, 3));
  return rows;
}

}  // namespace vornalis::testing
