#include "Platform/ServiceManagement/PrivilegedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/Foundation/FileManager.h"

Expected<void> PrivilegedFile::prepareFolder(const std::string& folder)
{
    (void)FileManager::createDirectory(folder, true, 0755);  // what the folder is now is checked next
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return Error::system(errno, "cannot create ", folder);
    if (!S_ISDIR(info.st_mode))
        return Error{ENOTDIR, folder + " is not a folder"};
    if (::geteuid() == 0 && (info.st_uid != 0 || info.st_gid != 0) && ::chown(folder.c_str(), 0, 0) != 0)
        return Error::system(errno, "cannot give ", folder, " to root");
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && ::chmod(folder.c_str(), info.st_mode & 07755) != 0)
        return Error::system(errno, "cannot protect ", folder);
    return {};
}

Expected<void> PrivilegedFile::replace(const std::string& path, std::string_view data, mode_t mode)
{
    WriteOptions options{.mode = mode & 07755};
    if (::geteuid() == 0)
        options.owner = {0, 0};
    return FileManager::writeAtomically(path, data, options);
}
