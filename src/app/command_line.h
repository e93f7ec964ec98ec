#pragma once
// The program's own reading of its command line.
#include <string>
#include <vector>

namespace tvx::app {

// Arguments 1 onward: the tokens after the first one (the program name as the
// caller wrote it). Tokens are separated by runs of blanks and control
// characters; a stretch in double quotes may hold blanks and loses its quotes;
// a token that starts with an empty pair of quotes loses that pair; there is
// no escape character. The list ends at the first token that comes out empty.
std::vector<std::string> SplitArguments(const std::string& commandLine);

enum class StartKind { Interactive, SetCommand, Launch };

// Argument 1, lowered (A-Z only), compared as a whole: "/setcmd" and "/l"
// with at least one name; anything else is an interactive start.
StartKind ClassifyStart(const std::vector<std::string>& args);

// "/l" arguments from the second on, each after one blank, then trimmed.
std::string JoinLaunchNames(const std::vector<std::string>& args);

}  // namespace tvx::app
