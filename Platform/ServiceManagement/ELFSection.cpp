#include "Platform/ServiceManagement/ELFSection.h"

#include <elf.h>

#include <cstring>

#include "Platform/Foundation/FileManager.h"

namespace {

template <typename T> bool readAt(std::string_view image, std::uint64_t offset, T* out)
{
    if (offset > image.size() || image.size() - offset < sizeof(T))
        return false;
    std::memcpy(out, image.data() + offset, sizeof(T));
    return true;
}

bool sectionHeader(std::string_view image, const Elf64_Ehdr& header, std::uint64_t index, Elf64_Shdr* out)
{
    return readAt(image, header.e_shoff + index * sizeof(Elf64_Shdr), out);
}

}  // namespace

Expected<std::string> ELFSection::contents(const std::string& path, std::string_view name)
{
    auto image = FileManager::contents(path);
    if (!image)
        return image.error();
    return contentsOfImage(*image, name);
}

Expected<std::string> ELFSection::contentsOfImage(std::string_view image, std::string_view name)
{
    const Error malformed = Error::message("no well-formed 64-bit ELF file");
    Elf64_Ehdr header {};
    if (!readAt(image, 0, &header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0
        || header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr))
        return malformed;

    // Files with very many sections keep the real counts in section 0.
    Elf64_Shdr first {};
    if (!sectionHeader(image, header, 0, &first))
        return malformed;
    std::uint64_t count = header.e_shnum ? header.e_shnum : first.sh_size;
    std::uint64_t namesIndex = header.e_shstrndx == SHN_XINDEX ? first.sh_link : header.e_shstrndx;
    if (count > image.size() / sizeof(Elf64_Shdr))
        return malformed;

    Elf64_Shdr names {};
    if (!sectionHeader(image, header, namesIndex, &names) || names.sh_offset > image.size()
        || names.sh_size > image.size() - names.sh_offset)
        return malformed;
    std::string_view nameTable = image.substr(names.sh_offset, names.sh_size);

    for (std::uint64_t index = 1; index < count; ++index) {
        Elf64_Shdr section {};
        if (!sectionHeader(image, header, index, &section) || section.sh_name >= nameTable.size())
            return malformed;
        std::string_view sectionName = nameTable.substr(section.sh_name);
        sectionName = sectionName.substr(0, sectionName.find('\0'));
        if (sectionName != name)
            continue;
        if (section.sh_type == SHT_NOBITS || section.sh_offset > image.size()
            || section.sh_size > image.size() - section.sh_offset)
            return malformed;
        std::string bytes(image.substr(section.sh_offset, section.sh_size));
        while (!bytes.empty() && bytes.back() == '\0')
            bytes.pop_back();
        return bytes;
    }
    return Error::message("no section " + std::string(name));
}
