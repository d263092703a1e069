#pragma once
#include <string>

// Addresses that come from outside the window: the command line of this launch or of a
// later one, which hands them over to the running program.
namespace external_address {

// One command-line argument (UTF-8, as the desktop gives it) as the address the program
// opens (GBK): the path of an existing local file or directory, relative to
// `workingDirectory` or absolute, becomes a file URL; anything else is kept as typed,
// blanks around it removed, and the address box's rules decide what it means.
std::string FromArgument(const std::string& argument, const std::string& workingDirectory);

// True for the addresses the program opens from outside: web and file addresses
// (http, https, ftp, file, in any letter case) and text without a scheme, which the
// address box completes ("example.org", "localhost:8080/x"). Script, data and every other
// scheme are refused, as are empty texts and control characters: another program must
// never run script in a page of ours.
bool IsOpenable(const std::string& address);

}  // namespace external_address
