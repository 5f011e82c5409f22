#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>

#include <unistd.h>

namespace quib::test {

// While it lives, the process runs under a German locale (decimal comma, a
// point to group thousands), in C and in C++, as the tray application does
// when the user's session is German (Qt adopts the environment's locale).
// The locale is compiled with localedef (from Debian's `locales` sources) into
// a directory under $TMPDIR, so no system-wide locale needs to be generated.
// active() says whether it worked.
class CommaLocale {
  public:
    CommaLocale() {
        static const bool compiled = compile();
        m_active = compiled && std::setlocale(LC_ALL, kName) != nullptr;
        if (m_active) {
            m_previous = std::locale::global(std::locale(kName));
        }
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(m_previous);
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return m_active; }

  private:
    static constexpr const char* kName = "de_DE.UTF-8";

    // Compiled into a directory of its own, then renamed into a place shared
    // by every test binary of this user, so that parallel tests neither race
    // nor compile it twice.
    static bool compile() {
        namespace fs = std::filesystem;
        const fs::path shared =
            fs::temp_directory_path() / ("quib-test-locale-" + std::to_string(::getuid()));
        if (!fs::exists(shared / kName)) {
            const fs::path own = shared.string() + "." + std::to_string(::getpid());
            fs::create_directories(own);
            const std::string command =
                "localedef -i de_DE -f UTF-8 " + (own / kName).string() + " >/dev/null 2>&1";
            [[maybe_unused]] const int status = std::system(command.c_str());
            std::error_code error;
            fs::rename(own, shared, error);
            fs::remove_all(own, error);
        }
        ::setenv("LOCPATH", shared.c_str(), 1);
        return fs::exists(shared / kName);
    }

    bool m_active = false;
    std::locale m_previous;
};

}  // namespace quib::test
