// How a failure's Status becomes what the user reads: the specified text as it stands, and the
// longer form a front end with room for it shows, which adds the file and the system's reason
// the text leaves unsaid.
#include <gtest/gtest.h>

#include <cerrno>

#include "engine/messages.h"
#include "platform/file_system.h"

namespace vornalis::testing {
namespace {

TEST(MessagesTest, AStatusIsShownWithTheFileAndTheReasonItsTextLeavesOut) {
  using Code = Status::Code;
  struct Case {
    Status status;
    std::string message;    // the text the desktop program shows
    std::string explained;  // the CLI's longer form
  };
  const Case cases[] = {
      // Formed from what the platform said: a missing file plainly, as the text always was.
      {messages::OpenFailed(Status::System(ENOENT, "/s/a.pec")), "Can't open /s/a.pec",
       "Can't open /s/a.pec: No such file or directory"},
      {messages::OpenFailed(Status::System(EACCES, "/s/a.pec")),
       "Can't open /s/a.pec: Permission denied", "Can't open /s/a.pec: Permission denied"},
      {messages::ReadFailed(Status::System(platform::kEndedEarly, "/s/a3.pec")),
       "Can't read /s/a3.pec: the file is shorter than the set says",
       "Can't read /s/a3.pec: the file is shorter than the set says"},
      {messages::WriteFailed(Status::System(ENOSPC, "/t/f")),
       "Can't write /t/f: No space left on device", "Can't write /t/f: No space left on device"},
      // A text that names no file gets the one it concerns in front.
      {messages::FormatNotCorrect("/s/a.pec"), "File format is not correct",
       "/s/a.pec: File format is not correct"},
      // A text about one file whose cause lies in another says both.
      {messages::Said(Status::System(ENOENT, "/p/ext.dll"), messages::CantCreate("/s/a.exe")),
       "Can't create /s/a.exe", "Can't create /s/a.exe (/p/ext.dll: No such file or directory)"},
      {Status::Error(Code::kRefused, "", "Must not be zero"), "Must not be zero",
       "Must not be zero"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.status.ok()) << c.message;
    EXPECT_EQ(c.status.message, c.message);
    EXPECT_EQ(messages::Explained(c.status), c.explained);
  }
  // A copy's failure is the reading side's or the writing side's, as its path says.
  const Status copy = Status::System(EIO, "/t/f");
  EXPECT_EQ(messages::CopyFailed(copy, "/t/f").message, "Can't write /t/f: Input/output error");
  EXPECT_EQ(messages::CopyFailed(copy, "/t/g").message, "Can't read /t/f: Input/output error");
}

}  // namespace
}  // namespace vornalis::testing
