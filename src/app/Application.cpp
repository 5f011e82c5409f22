#include <iostream>

#include "app/CommandLine.h"

namespace quib {

// FIXME: the tray application is being wired up; until then `quib` says what it will be.
int runApplication(const CommandLine&, int, char**) {
    std::cout << "QUIB will run here as a tray application that clicks as you type.\n"
                 "Try `quib stats` for your progress.\n";
    return 0;
}

}  // namespace quib
