#pragma once

#include <memory>
#include <string>

class FileDescriptorSource;

// Lets a script act as the user of a program that runs without a display, the
// way a test drives a desktop with xdotool: the headless window backend
// listens on the unix socket named by PARVEX_HEADLESS_CONTROL (when set,
// mode 0600) and takes one command per connection, answering on it:
//   windows   one line per window on screen, back to front:
//             "<title>\t<key|->\t<sheet|window>"
//   close     closes the key window, as the user's close button does
//   reopen    the user opens the application again
// Commands run on the main run loop, so an answer means the program has
// built, laid out and shown what it answers about.
class HeadlessWindowControl {
public:
    static constexpr const char* environmentVariable = "PARVEX_HEADLESS_CONTROL";

    // Listens when the variable names a path; does nothing otherwise.
    HeadlessWindowControl();
    ~HeadlessWindowControl();
    HeadlessWindowControl(const HeadlessWindowControl&) = delete;
    HeadlessWindowControl& operator=(const HeadlessWindowControl&) = delete;

    // The answer to one command line.
    static std::string perform(const std::string& command);
    // The client's side: sends `command` to the program listening at
    // `socketPath` and returns its answer; empty when nothing listens (yet).
    static std::string request(const std::string& socketPath, const std::string& command);

private:
    int m_listener = -1;
    std::unique_ptr<FileDescriptorSource> m_source;
    std::string m_path;
};
