#include "desktop/texts.h"

#include "engine/shown_text.h"
#include "platform/text_encoding.h"
#include "vornalis/version.h"

namespace vornalis::desktop::texts {

std::string Shown(std::string_view text) { return platform::DecodeText(EscapeControls(text)); }

std::string JoinedShown(const std::vector<std::string>& names) {
  constexpr std::size_t kMost = 10;
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kMost; ++i)
    text += (i ? ", " : "") + Shown(names[i]);
  if (names.size() > kMost) text += ", and " + std::to_string(names.size() - kMost) + " more";
  return text;
}

std::string SetCaption(std::string_view shown_set_name) {
  return std::string(shown_set_name) + "-" + std::string(kCaption);
}

std::string_view StepWord(Step step) {
  switch (step) {
    case Step::kAdding:
      return "Adding ";
    case Step::kAssembling:
      return "Assembling ";
    case Step::kChecking:
      return "Checking ";
    case Step::kProtecting:
      return "Protecting ";
    case Step::kRepairing:
      return "Repairing ";
  }
  return "";
}

std::string StepStatus(Step step, std::string_view shown_file) {
  return std::string(StepWord(step)) + std::string(shown_file) + " ...";
}

std::string StepCaption(std::string_view shown_set_name, Step step, int percent) {
  return std::string(shown_set_name) + "-" + std::string(StepWord(step)) + std::to_string(percent) +
         "%";
}

std::string AboutVersion() { return std::string("Vornalis Version ") + kVersion; }

std::string HelpFileMissing(std::string_view shown_file) {
  return "The help file " + std::string(shown_file) + " is missing.";
}

std::string HelpViewerMissing(std::string_view shown_file) {
  return "The help viewer " + std::string(shown_file) + " is missing.";
}

std::string ReplaceSet(std::string_view shown_header_name) {
  return std::string(shown_header_name) + " already exists.\nDo you want to replace it?";
}

std::string CreateFolderQuestion(std::string_view shown_folder) {
  return "Folder " + std::string(shown_folder) + " doesn't exist, do you want to create it?";
}

std::string ProtectAgainQuestion(std::string_view shown_older_than_set) {
  return std::string(shown_older_than_set) + ".\nProtect it again now?";
}

std::string PutBackHeaderQuestion(std::string_view shown_differs) {
  return std::string(shown_differs) + "\nPut the protected header back now?";
}

std::string RepairOffer(std::string_view shown_problem) {
  return std::string(shown_problem) + "\nRecovery files lie beside the set. Repair it now?";
}

}  // namespace vornalis::desktop::texts
