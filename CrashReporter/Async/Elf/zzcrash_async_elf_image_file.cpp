// The image's file symbol table: listed when the image is listed, its names
// read from the file in a crash.
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image_file.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Closes the descriptor once, whatever way the read ends.
class ImageFile {
public:
    explicit ImageFile(const char* path) : fd_(path && path[0] ? open(path, O_RDONLY | O_CLOEXEC) : -1) {}
    ~ImageFile() {
        if (fd_ >= 0) close(fd_);
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // All `length` bytes at `offset`, or false.
    bool read(void* out, std::uint64_t length, std::uint64_t offset) const {
        auto* bytes = static_cast<char*>(out);
        while (length > 0) {
            const ssize_t count = pread(fd_, bytes, length, static_cast<off_t>(offset));
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) return false;
            bytes += count;
            length -= static_cast<std::uint64_t>(count);
            offset += static_cast<std::uint64_t>(count);
        }
        return true;
    }
    // Whether it is the file with this device and inode.
    bool is(std::uint64_t device, std::uint64_t inode) const {
        struct stat status {};
        return fd_ >= 0 && fstat(fd_, &status) == 0 && status.st_dev == device && status.st_ino == inode;
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

// Heap memory of the listing, released whatever way it ends.
template <class T>
struct Owned {
    T* data = nullptr;
    ~Owned() { std::free(data); }
    bool allocate(std::uint64_t count) { return (data = static_cast<T*>(std::malloc(count * sizeof(T)))) != nullptr; }
};

constexpr std::uint64_t noteBytesMax = 4096;

// The GNU build id among the notes of a note section, compared with the image's.
bool notesHoldBuildId(const ImageFile& file, const Elf64_Shdr& section, const std::uint8_t uuid[16], bool* found) {
    if (section.sh_size > noteBytesMax) return true;
    std::uint8_t notes[noteBytesMax];
    if (!file.read(notes, section.sh_size, section.sh_offset)) return false;
    const std::uint64_t align = section.sh_addralign == 8 ? 8 : 4;
    const auto padded = [align](std::uint64_t size) { return (size + align - 1) & ~(align - 1); };
    for (std::uint64_t at = 0; at + sizeof(Elf64_Nhdr) <= section.sh_size;) {
        Elf64_Nhdr note{};
        std::memcpy(&note, notes + at, sizeof note);
        const std::uint64_t description = at + sizeof note + padded(note.n_namesz);
        if (description + note.n_descsz > section.sh_size) return true;
        if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
            std::memcmp(notes + at + sizeof note, "GNU", 4) == 0) {
            *found = true;
            return std::memcmp(notes + description, uuid, std::min<std::uint64_t>(note.n_descsz, 16)) == 0;
        }
        at = description + padded(note.n_descsz);
    }
    return true;
}

// The file's ELF header, when it is an ELF file with section headers of this size.
bool readHeader(const ImageFile& file, Elf64_Ehdr* header) {
    return file.fd() >= 0 && file.read(header, sizeof *header, 0) &&
           std::memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 && header->e_shentsize == sizeof(Elf64_Shdr);
}

// The sections below are read through `sectionAt(index, &section)`: from the
// headers read whole when the image is listed, one at a time in a crash.

// The file is the loaded image when its build id is the image's; an image
// without one is taken on its path.
template <class SectionAt>
bool sameBuild(const zzcrash_async_elf_image* image, const ImageFile& file, std::uint64_t count, SectionAt sectionAt) {
    bool found = false;
    for (std::uint64_t i = 0; i < count; ++i) {
        Elf64_Shdr section{};
        if (!sectionAt(i, &section)) return false;
        if (section.sh_type == SHT_NOTE && !notesHoldBuildId(file, section, image->uuid, &found)) return false;
        if (found) return true;
    }
    return !image->has_uuid;
}

// The file's symbol table and the string table its names are in.
template <class SectionAt>
bool findSymbolTable(std::uint64_t count, SectionAt sectionAt, Elf64_Shdr* table, Elf64_Shdr* names) {
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!sectionAt(i, table)) return false;
        if (table->sh_type != SHT_SYMTAB || table->sh_link >= count) continue;
        return sectionAt(table->sh_link, names) && names->sh_size < ZZCRASH_ELF_FILE_NAME;
    }
    return false;
}

bool isFileFunction(const Elf64_Sym& symbol, std::uint64_t names) {
    return ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && symbol.st_shndx != SHN_UNDEF && symbol.st_value != 0 &&
           symbol.st_name < names && symbol.st_value + symbol.st_size < UINT32_MAX;
}

// Grows `*symbols` by the table's functions; false when memory runs out.
bool appendFunctions(const ImageFile& file, const Elf64_Shdr& table, std::uint64_t names,
                     zzcrash_async_elf_symbol** symbols, std::uint64_t* count) {
    const std::uint64_t entries = table.sh_size / sizeof(Elf64_Sym);
    Owned<Elf64_Sym> read;
    if (entries == 0 || !read.allocate(entries) || !file.read(read.data, entries * sizeof(Elf64_Sym), table.sh_offset))
        return false;
    auto* grown = static_cast<zzcrash_async_elf_symbol*>(std::realloc(*symbols, (*count + entries) * sizeof **symbols));
    if (!grown) return false;
    *symbols = grown;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const Elf64_Sym& symbol = read.data[i];
        if (!isFileFunction(symbol, names)) continue;
        grown[(*count)++] = {static_cast<std::uint32_t>(symbol.st_value), static_cast<std::uint32_t>(symbol.st_size),
                             symbol.st_name | ZZCRASH_ELF_FILE_NAME, 0};
    }
    return true;
}

}  // namespace

void zzcrash_async_elf_add_file_functions(zzcrash_async_elf_image* image, zzcrash_async_elf_symbol** symbols,
                                          std::uint64_t* count) {
    const ImageFile file(image->name);
    Elf64_Ehdr header{};
    struct stat status {};
    if (!readHeader(file, &header) || fstat(file.fd(), &status) != 0) return;
    Owned<Elf64_Shdr> sections;
    if (header.e_shnum == 0 || !sections.allocate(header.e_shnum) ||
        !file.read(sections.data, header.e_shnum * sizeof(Elf64_Shdr), header.e_shoff))
        return;
    const auto sectionAt = [&sections](std::uint64_t i, Elf64_Shdr* section) {
        *section = sections.data[i];
        return true;
    };
    Elf64_Shdr table{};
    Elf64_Shdr names{};
    if (!sameBuild(image, file, header.e_shnum, sectionAt) ||
        !findSymbolTable(header.e_shnum, sectionAt, &table, &names) ||
        !appendFunctions(file, table, names.sh_size, symbols, count))
        return;
    image->file_strtab_offset = names.sh_offset;
    image->file_strtab_size = names.sh_size;
    image->file_device = status.st_dev;
    image->file_inode = status.st_ino;
}

zzcrash_error_t zzcrash_async_elf_file_function_at(const zzcrash_async_elf_image* image, std::uint64_t pc,
                                                   std::uint64_t* start, char* name, std::uint64_t capacity) {
    if (pc < image->bias) return ZZCRASH_ENOTFOUND;
    const ImageFile file(image->name);
    Elf64_Ehdr header{};
    if (!readHeader(file, &header)) return ZZCRASH_ENOTFOUND;
    const auto sectionAt = [&file, &header](std::uint64_t i, Elf64_Shdr* section) {
        return i < header.e_shnum && file.read(section, sizeof *section, header.e_shoff + i * sizeof *section);
    };
    Elf64_Shdr table{};
    Elf64_Shdr names{};
    if (!sameBuild(image, file, header.e_shnum, sectionAt) ||
        !findSymbolTable(header.e_shnum, sectionAt, &table, &names))
        return ZZCRASH_ENOTFOUND;
    // The table is read a block at a time onto the stack; the holder with the
    // highest start wins, the first in table order among equal ones.
    const std::uint64_t offset = pc - image->bias;
    constexpr std::uint64_t blockEntries = 64;
    Elf64_Sym block[blockEntries];
    Elf64_Sym best{};
    const std::uint64_t entries = table.sh_size / sizeof(Elf64_Sym);
    for (std::uint64_t first = 0; first < entries; first += blockEntries) {
        const std::uint64_t count = std::min(blockEntries, entries - first);
        if (!file.read(block, count * sizeof(Elf64_Sym), table.sh_offset + first * sizeof(Elf64_Sym)))
            return ZZCRASH_EINTERNAL;
        for (std::uint64_t i = 0; i < count; ++i) {
            const Elf64_Sym& symbol = block[i];
            const bool holds =
                offset >= symbol.st_value &&
                (symbol.st_size == 0 ? offset == symbol.st_value : offset - symbol.st_value < symbol.st_size);
            if (holds && isFileFunction(symbol, names.sh_size) && symbol.st_value > best.st_value) best = symbol;
        }
    }
    if (best.st_value == 0) return ZZCRASH_ENOTFOUND;
    const std::uint64_t length = std::min(capacity, names.sh_size - best.st_name);
    if (!file.read(name, length, names.sh_offset + best.st_name)) return ZZCRASH_EINTERNAL;
    name[length] = '\0';
    *start = best.st_value + image->bias;
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t zzcrash_async_elf_file_name(const zzcrash_async_elf_image* image, std::uint32_t offset, char* name,
                                            std::uint64_t capacity) {
    if (image->file_strtab_size == 0 || offset >= image->file_strtab_size) return ZZCRASH_ENOTFOUND;
    const ImageFile file(image->name);
    if (!file.is(image->file_device, image->file_inode)) return ZZCRASH_ENOTFOUND;
    const std::uint64_t length = std::min(capacity, image->file_strtab_size - offset);
    if (!file.read(name, length, image->file_strtab_offset + offset)) return ZZCRASH_EINTERNAL;
    name[length] = '\0';
    return ZZCRASH_ESUCCESS;
}
