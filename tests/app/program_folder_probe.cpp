// Prints the folder it runs from, byte for byte, for the program folder test.

#include "app/ProgramFolder.h"

#include <cstdio>

int main() {
    const std::string folder = quillaro::runningProgramFolder();
    std::fwrite(folder.data(), 1, folder.size(), stdout);
}
