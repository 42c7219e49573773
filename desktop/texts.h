// Every sentence and label the desktop program shows, for every face (Qt and Win32): the
// window's caption, the break-off questions, the status texts of long commands, the dialogs'
// captions and labels, and the sentences its commands form. The engine's own messages
// (engine/messages.h) and reports (engine/recovery_report.h) are shown as they are.
//
// Texts are UTF-8. Names of files and folders in them are made displayable with Shown first:
// bytes that are not UTF-8 read as code page 1252, control characters escaped as \xNN, so a
// name holding a line end shows as one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vornalis::desktop::texts {

// A stored name or a path as the window shows it.
std::string Shown(std::string_view text);
// Up to ten names, shown, joined by ", ", and "and N more" for the rest.
std::string JoinedShown(const std::vector<std::string>& names);

// The main window.
inline constexpr std::string_view kCaption = "Dorvelin";
inline constexpr std::string_view kReady = "Ready";
// "backup-Dorvelin" for the set named backup; "-Dorvelin" without one.
std::string SetCaption(std::string_view shown_set_name);

// The long commands: the word of each step, the status text and the title while it runs.
enum class Step { kAdding, kAssembling, kChecking, kProtecting, kRepairing };
std::string_view StepWord(Step step);
// "Adding a.txt ..."
std::string StepStatus(Step step, std::string_view shown_file);
// "backup-Adding 49%"
std::string StepCaption(std::string_view shown_set_name, Step step, int percent);
inline constexpr std::string_view kAddingInterrupted = "Adding interrupted, continue?";
inline constexpr std::string_view kAssemblingInterrupted = "Assembling interrupted, continue?";
inline constexpr std::string_view kInterrupted = "Interrupted, continue?";

// The titles of the message boxes, by their kind; the error list is titled "Error" too.
inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kWarningTitle = "Warning";
inline constexpr std::string_view kInformationTitle = "Information";

// Dialogs and their controls.
inline constexpr std::string_view kSetFilter = "Split piece files|*.pec";
inline constexpr std::string_view kNewFilter = "Split piece files(*.pec)|*.pec";
inline constexpr std::string_view kAddFilter = "All files (*.*) |*.*";
inline constexpr std::string_view kCreateButton = "&Create";
inline constexpr std::string_view kAddButton = "&Add";
inline constexpr std::string_view kAssembleButton = "&Assemble";
inline constexpr std::string_view kFoldersLabel = "&Folders/drives:";
inline constexpr std::string_view kAssembleFolderTitle = "Choose Folder Dialog";
inline constexpr std::string_view kAddFolderTitle = "Add Folder";
inline constexpr std::string_view kChooseSizeTitle = "Choose piece size";
inline constexpr std::string_view kSizeLabel = "Si&ze of one piece:";
inline constexpr std::string_view kUnitLabel = "&Unit:";
inline constexpr std::string_view kCustomSize = "Cus&tomed size:";
inline constexpr std::string_view kSpecificSizeRadio = "&Specific size:";
inline constexpr std::string_view kSpecificSizeCheck = "Specific size:";
inline constexpr std::string_view kPredefinedLabel = "P&redefined:";
inline constexpr std::string_view kAssembleToLabel = "A&ssemble to:";
inline constexpr std::string_view kProtectTitle = "Protect";
inline constexpr std::string_view kProtectText =
    "Recovery files beside the set let a lost or damaged piece be rebuilt. They are made to fit "
    "the piece size, so they go on the same media.";
inline constexpr std::string_view kRedundancyLabel = "&Recovery data:";
inline constexpr std::string_view kRedundancyDefault = "10 %, at least one whole piece";
inline constexpr std::string_view kProtectButton = "&Protect";

// The About box. The second address is kept but not shown.
inline constexpr std::string_view kAboutTitle = "About Vornalis";
std::string AboutVersion();  // "Vornalis Version 1.0.1399"
inline constexpr std::string_view kAboutCopyright = "Copyright \u00A9 2025";
inline constexpr std::string_view kAboutTeam = "The Vornalis Team";
inline constexpr std::string_view kAboutLinks[] = {"https://www.vornalis.example.org/",
                                                   "https://vornalis.example.net/downloads/"};

// The help, when it can't be shown: "The help file C:\Vornalis\Vornalis.chm is missing.", and
// "The help viewer hhctrl.ocx is missing." for the system's viewer it is shown in.
std::string HelpFileMissing(std::string_view shown_file);
std::string HelpViewerMissing(std::string_view shown_file);

// Questions and sentences of the commands.
// "backup.pec already exists.\nDo you want to replace it?"
std::string ReplaceSet(std::string_view shown_header_name);
// "Folder D:\out doesn't exist, do you want to create it?"
std::string CreateFolderQuestion(std::string_view shown_folder);
inline constexpr std::string_view kFolderPathWrong = "The folder path you've specified is wrong!";
// After an add to a protected set: the engine's sentence and the offer.
std::string ProtectAgainQuestion(std::string_view shown_older_than_set);
// What verify, protect and repair found and did comes from the engine's reports
// (engine/recovery_report.h), as the CLI says it.
// A repair that found a header in force that is not the one protected: what putting it back
// undoes, and the question.
std::string PutBackHeaderQuestion(std::string_view shown_differs);
// The repair offered when a set that cannot be used whole is opened.
std::string RepairOffer(std::string_view shown_problem);

}  // namespace vornalis::desktop::texts
