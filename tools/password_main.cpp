// quillbay-password: turns passwords into the scrambled form used in Deployment.ini (and
// read in Quillbay.ini), and back. Bytes pass through unchanged, so a password must be given in
// the system's ANSI code page, exactly as the program holds it.
#include <cstdio>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "data/PasswordScrambler.h"
#include "data/StoredLimits.h"

namespace {

const char* const kHelp =
    "Usage: quillbay-password [--decode] < input > output\n"
    "\n"
    "Reads one password per line from standard input and writes its scrambled form,\n"
    "one per line, ready for the Password and TrueCryptVolumePassword_n keys of\n"
    "Deployment.ini. An empty line gives an empty line.\n"
    "\n"
    "Scrambling is not encryption: whoever can read Deployment.ini can recover these\n"
    "passwords. The tool does not protect them for a Windows account as Quillbay does\n"
    "with what a user enters, because your users' accounts could not read a value\n"
    "protected for yours. Protected values (\"!protected:...\") cannot be decoded here.\n"
    "\n"
    "  --decode   read stored forms and write the passwords instead\n"
    "  --help     show this text\n"
    "\n"
    "A password may be up to %LIMIT% bytes long: the program cannot read back a longer\n"
    "one from the file. A longer line is refused with a message on standard error and\n"
    "gives an empty output line, so that the lines still match; the other lines are\n"
    "processed and the exit status is 1.\n"
    "\n"
    "Lines may end in LF or CR LF; one CR before the LF is not part of the line, so a\n"
    "password cannot end with a CR or contain a LF. Output lines end in LF. Bytes are\n"
    "not converted: give passwords in the system's ANSI code page.\n"
    "\n"
    "Prefer piping from a file over typing at the terminal: a typed password is\n"
    "echoed on the screen and may stay in the terminal's history.\n";

std::string Help() {
  std::string help = kHelp;
  const std::string mark = "%LIMIT%";
  help.replace(help.find(mark), mark.size(), std::to_string(MaxPasswordLength));
  return help;
}

}  // namespace

int main(int argc, char** argv) {
  bool decode = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--decode") {
      decode = true;
    } else if (option == "--help" || option == "-h" || option == "/?") {
      std::cout << Help();
      return 0;
    } else {
      std::cerr << "quillbay-password: unknown option '" << option << "'\n"
                << "Try 'quillbay-password --help'.\n";
      return 2;
    }
  }

#ifdef _WIN32
  // Text mode would turn bytes 0x1A and CR LF around; every byte must pass unchanged.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif

  std::string line;
  size_t number = 0;
  bool refused = false;
  while (std::getline(std::cin, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!decode && line.size() > MaxPasswordLength) {
      std::cerr << "quillbay-password: line " << number << ": the password is " << line.size()
                << " bytes long; Quillbay reads back passwords of at most " << MaxPasswordLength
                << " bytes. Line refused.\n";
      refused = true;
      std::cout.put('\n');
      continue;
    }
    const std::string result = decode ? UnscramblePassword(line) : ScramblePassword(line);
    std::cout.write(result.data(), static_cast<std::streamsize>(result.size()));
    std::cout.put('\n');
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "quillbay-password: could not write the output\n";
    return 1;
  }
  return refused ? 1 : 0;
}
