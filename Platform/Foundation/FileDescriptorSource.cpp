#include "Platform/Foundation/FileDescriptorSource.h"

#include <glib-unix.h>

#include "Platform/Foundation/RunLoop.h"

FileDescriptorSource::FileDescriptorSource(int descriptor, Block readable)
    : m_readable(std::make_shared<Block>(std::move(readable)))
    , m_source(g_unix_fd_source_new(descriptor, G_IO_IN))
{
    GUnixFDSourceFunc callback = [](gint, GIOCondition, gpointer self) -> gboolean {
        // Nothing of the source is touched after the block: it may be gone.
        auto block = static_cast<FileDescriptorSource*>(self)->m_readable;
        if (*block)
            (*block)();
        return G_SOURCE_CONTINUE;
    };
    g_source_set_callback(m_source, G_SOURCE_FUNC(callback), this, nullptr);
    g_source_attach(m_source, RunLoop::main().context());
}

FileDescriptorSource::~FileDescriptorSource()
{
    g_source_destroy(m_source);
    g_source_unref(m_source);
}
