// PATH set to one folder for the life of the object: which helper programs
// the system offers (xdg-open, the image tools) is then the test's choice.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kel::test {

class ScopedSearchPath {
public:
    explicit ScopedSearchPath(const std::filesystem::path& folder) {
        const char* old = std::getenv("PATH");
        saved_ = old ? old : "";
        ::setenv("PATH", folder.c_str(), 1);
    }
    ~ScopedSearchPath() { ::setenv("PATH", saved_.c_str(), 1); }
    ScopedSearchPath(const ScopedSearchPath&) = delete;
    ScopedSearchPath& operator=(const ScopedSearchPath&) = delete;

private:
    std::string saved_;
};

}  // namespace kel::test
