// Command-line use of the recognition and translation pipelines, without a window:
//   qinglan --recognize FILE   prints the text the result box would show for the picture
//   qinglan --translate zh-en|en-zh   translates standard input and prints the result
//   qinglan --help | --version
#pragma once

namespace ql {

// True when the arguments ask for command-line use (the first argument is one of the options above);
// anything else starts the window program as before.
bool IsCommandLineUse(int argc, char** argv);

// Runs the command; 0 on success, 1 when a service step failed (one line on standard error saying which
// service, which address and what went wrong), 2 for wrong arguments.
int RunCommandLine(int argc, char** argv);

}  // namespace ql
