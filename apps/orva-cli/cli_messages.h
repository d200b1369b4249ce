// The command line speaks English: the texts the shell shows the desktop user (in Japanese)
// are put into English before orva-cli prints them.
#pragma once

#include <string>

namespace orva {

// The English line for a text the shell showed, filled with the same names and numbers;
// a text the table does not know comes back unchanged, line breaks made blanks.
std::string CliText(const std::string& shown);

}  // namespace orva
