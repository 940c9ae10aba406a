#pragma once

#include <functional>
#include <memory>

typedef struct _GSource GSource;

// Calls a block on the main run loop whenever a file descriptor has input
// waiting (or has hung up, or failed): a listening socket, a pidfd, a display
// connection, the mount table's epoll set. The descriptor stays its owner's
// and must outlive the source. Destroying the source ends the calls, also
// from inside the block itself.
class FileDescriptorSource {
public:
    using Block = std::function<void()>;

    FileDescriptorSource(int descriptor, Block readable);
    ~FileDescriptorSource();
    FileDescriptorSource(const FileDescriptorSource&) = delete;
    FileDescriptorSource& operator=(const FileDescriptorSource&) = delete;

private:
    // Shared with a call under way, which a block that ends its own source
    // would otherwise pull from under itself.
    std::shared_ptr<Block> m_readable;
    GSource* m_source = nullptr;
};
