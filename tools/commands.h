// The subcommands of the `orvelle` program; each returns the process exit status.
#pragma once

namespace orvelle {

// Exit statuses shared by the subcommands.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the core reported a ThumbStatus failure
constexpr int kExitUsage = 2;   // bad arguments, unreadable input, unwritable output

int RunProbe(int argc, char** argv);
int RunThumb(int argc, char** argv);

}  // namespace orvelle
