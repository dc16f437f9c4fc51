#pragma once
// Where the tests find the build's programs and generated files and the source tree's data.
// The build passes each path relative to the folder of the test programs, and the test finds
// that folder from its own executable, so the compiled tests are the same in every checkout
// of the project and a compiler cache can share them between checkouts.

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

namespace bw::testpaths {

/// relative, taken from the folder of the running test program, as an absolute path. The text
/// lives until the program ends, so it can stand wherever a string literal did. Any thread.
inline const char* FromProgram(const char* relative)
{
    static std::mutex mutex;
    static std::map<std::string, std::string> paths;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = paths.find(relative);
    if (it == paths.end()) {
        const std::filesystem::path folder =
            std::filesystem::read_symlink("/proc/self/exe").parent_path();
        it = paths.emplace(relative, (folder / relative).lexically_normal().string()).first;
    }
    return it->second.c_str();
}

} // namespace bw::testpaths
