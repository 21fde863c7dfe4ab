// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/disc_image.h"

#include <sys/stat.h>

#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/core/code_page.h"
#include "platform/core/letter_case.h"
#include "platform/core/regular_file.h"

namespace platform {
namespace {

// Real folders are a few blocks; more is a damaged or hostile disc.
constexpr std::uint32_t MaxFolderBytes = 1u << 20;
constexpr std::size_t ListingsKept = 8;
// How far the volume descriptor may lie from where 2048-byte blocks put it:
// raw sectors carry a header before each block's data.
constexpr std::uint16_t RawSectorFuzz = 16;

// The library's default handler prints, and ends the process on errors.
void QuietLog(cdio_log_level_t, const char*) {}

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// Image formats libcdio's disc drivers read; anything else is taken for an
// ISO 9660 image of the data track alone.
bool IsDiscImageFormat(const std::string& path) {
    const std::string extension = LowerExtension(path);
    return extension == ".cue" || extension == ".toc" || extension == ".bin" || extension == ".nrg";
}

// The files a CUE sheet (FILE) or a TOC file (DATAFILE) names, beside it.
std::vector<std::string> SheetFiles(const std::string& sheet) {
    std::vector<std::string> files;
    std::FILE* file = OpenRegularFile(sheet.c_str(), "r");
    if (!file) return files;
    char line[1024];
    const std::size_t slash = sheet.rfind('/');
    while (std::fgets(line, sizeof line, file)) {
        const std::string_view text = line;
        const std::size_t word = text.find_first_not_of(" \t");
        if (word == std::string_view::npos || !(EqualsIgnoringCase(text.substr(word, 5), "FILE ") ||
                                                EqualsIgnoringCase(text.substr(word, 9), "DATAFILE ")))
            continue;
        const std::size_t open = text.find('"', word), close = text.rfind('"');
        if (open == std::string_view::npos || close <= open) continue;
        const std::string found(text.substr(open + 1, close - open - 1));
        files.push_back(found[0] == '/' || slash == std::string::npos ? found : sheet.substr(0, slash + 1) + found);
    }
    std::fclose(file);
    return files;
}

// The disc library opens a sheet's files with a blocking open(): a FIFO
// among them would hang it for good.
bool SheetFilesAreRegular(const std::string& sheet) {
    for (const std::string& name : SheetFiles(sheet)) {
        struct stat info;
        if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return false;
    }
    return true;
}

struct StatFree {
    void operator()(iso9660_stat_t* stat) const { iso9660_stat_free(stat); }
};
using StatPtr = std::unique_ptr<iso9660_stat_t, StatFree>;

}  // namespace

struct DiscImage::Handles {
    iso9660_t* iso = nullptr;  // a plain ISO 9660 image
    CdIo_t* cdio = nullptr;    // an image with tracks, or a drive

    ~Handles() {
        if (iso) iso9660_close(iso);
        if (cdio) cdio_destroy(cdio);
    }
    iso9660_stat_t* Stat(const char* path) const {
        return iso ? iso9660_ifs_stat(iso, path) : iso9660_fs_stat(cdio, path);
    }
    CdioList_t* ReadDir(const char* path) const {
        return iso ? iso9660_ifs_readdir(iso, path) : iso9660_fs_readdir(cdio, path);
    }
};

std::string ShownDiscName(std::string_view name) {
    std::string shown(name);
    const std::size_t semicolon = shown.rfind(';');
    if (semicolon != std::string::npos && shown.find_first_not_of("0123456789", semicolon + 1) == std::string::npos)
        shown.resize(semicolon);
    if (shown.size() > 1 && shown.back() == '.') shown.pop_back();
    return shown;
}

DiscImage::DiscImage(std::string source) : source_(std::move(source)), handles_(std::make_unique<Handles>()) {}

DiscImage::~DiscImage() = default;

std::unique_ptr<DiscImage> DiscImage::Open(const std::string& source, std::string& error) {
    cdio_log_set_handler(QuietLog);
    std::unique_ptr<DiscImage> disc(new DiscImage(source));
    if (!disc->Start(error)) return nullptr;
    return disc;
}

bool DiscImage::Start(std::string& error) {
    if (source_ == "cdrom" ? !OpenDrive(error) : !OpenFile(error)) return false;
    if (handles_->cdio) {
        if (!DataTrackIsIso()) {
            error = source_ + ": its data track is not ISO 9660";
            return false;
        }
        const track_t first = cdio_get_first_track_num(handles_->cdio);
        const track_t count = cdio_get_num_tracks(handles_->cdio);
        const lsn_t end = count > 1 ? cdio_get_track_lsn(handles_->cdio, static_cast<track_t>(first + 1))
                                    : cdio_get_disc_last_lsn(handles_->cdio);
        blocks_ = end > 0 ? static_cast<std::uint32_t>(end) : 0;
    }

    StatPtr root(handles_->Stat("/"));
    if (!root || root->type != iso9660_stat_s::_STAT_DIR) {
        error = source_ + ": its root folder cannot be read";
        return false;
    }
    root_ = {"", "/", true, static_cast<std::uint32_t>(root->lsn), root->size};
    if (!Inside(root_) || !List(root_)) {
        error = source_ + ": damaged image (its root folder lies outside it)";
        return false;
    }
    return true;
}

bool DiscImage::OpenDrive(std::string& error) {
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    for (char** device = devices; device && *device && !handles_->cdio; ++device) {
        CdIo_t* cdio = cdio_open(*device, DRIVER_DEVICE);
        if (cdio && cdio_get_num_tracks(cdio) != CDIO_INVALID_TRACK) {
            handles_->cdio = cdio;
            source_ = *device;
        } else if (cdio) {
            cdio_destroy(cdio);
        }
    }
    if (devices) cdio_free_device_list(devices);
    if (!handles_->cdio) error = "cdrom: no drive holds a disc";
    return handles_->cdio != nullptr;
}

bool DiscImage::OpenFile(std::string& error) {
    struct stat info;
    if (::stat(source_.c_str(), &info) != 0) {
        error = source_ + ": no such file, folder or drive";
        return false;
    }
    if (S_ISBLK(info.st_mode)) {
        handles_->cdio = cdio_open(source_.c_str(), DRIVER_DEVICE);
        if (!handles_->cdio || cdio_get_num_tracks(handles_->cdio) == CDIO_INVALID_TRACK) {
            error = source_ + ": the drive holds no disc";
            return false;
        }
    } else if (!S_ISREG(info.st_mode)) {
        error = source_ + ": not a disc image or a drive";
        return false;
    } else if (IsDiscImageFormat(source_)) {
        if (!SheetFilesAreRegular(source_)) {
            error = source_ + ": cannot be read as a disc image";
            return false;
        }
        handles_->cdio = cdio_open(source_.c_str(), DRIVER_UNKNOWN);
        const bool opened = handles_->cdio != nullptr;
        if (!opened || !DataTrackIsIso()) {
            // libcdio reads CUE sheets of one file only, and the data track
            // of no TOC file: then the data track's own file is the image.
            if (handles_->cdio) cdio_destroy(std::exchange(handles_->cdio, nullptr));
            if (!OpenDataFile()) {
                error = source_ + (opened ? ": its data track is not ISO 9660" : ": cannot be read as a disc image");
                return false;
            }
        }
    } else {
        handles_->iso = iso9660_open_ext(source_.c_str(), ISO_EXTENSION_ALL);
        if (!handles_->iso) {
            error = source_ + ": not an ISO 9660 image";
            return false;
        }
        blocks_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(info.st_size / DiscBlock, UINT32_MAX));
    }
    return true;
}

bool DiscImage::DataTrackIsIso() {
    const track_t first = cdio_get_first_track_num(handles_->cdio);
    if (first == CDIO_INVALID_TRACK) return false;
    const track_format_t format = cdio_get_track_format(handles_->cdio, first);
    return format != TRACK_FORMAT_AUDIO && format != TRACK_FORMAT_ERROR &&
           iso9660_fs_read_superblock(handles_->cdio, ISO_EXTENSION_ALL);
}

bool DiscImage::OpenDataFile() {
    const std::vector<std::string> files = SheetFiles(source_);
    const std::string data = files.empty() ? std::string() : files.front();
    struct stat info;
    if (data.empty() || ::stat(data.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    handles_->iso = iso9660_open_fuzzy_ext(data.c_str(), ISO_EXTENSION_ALL, RawSectorFuzz);
    rawSectors_ = true;
    blocks_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(info.st_size / DiscBlock, UINT32_MAX));
    return handles_->iso != nullptr;
}

bool DiscImage::Inside(const DiscEntry& entry) const {
    const std::uint64_t blocks = (std::uint64_t{entry.size} + DiscBlock - 1) / DiscBlock;
    return entry.lsn <= blocks_ && blocks <= blocks_ - entry.lsn;
}

std::optional<std::vector<DiscEntry>> DiscImage::List(const DiscEntry& folder) {
    if (!folder.folder || folder.size > MaxFolderBytes || !Inside(folder)) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (auto kept = listings_.find(folder.libPath); kept != listings_.end()) return kept->second;

    // The library finds the folder again by its path, and a damaged disc may
    // lead it to another record of that name: it would take that record's
    // size for its buffer unchecked.
    const StatPtr found(handles_->Stat(folder.libPath.c_str()));
    if (!found || found->type != iso9660_stat_s::_STAT_DIR || static_cast<std::uint32_t>(found->lsn) != folder.lsn ||
        found->size != folder.size)
        return std::nullopt;
    CdioList_t* list = handles_->ReadDir(folder.libPath.c_str());
    if (!list) return std::nullopt;
    std::vector<DiscEntry> entries;
    const std::string prefix = folder.libPath == "/" ? "/" : folder.libPath + "/";
    for (CdioListNode_t* node = _cdio_list_begin(list); node; node = _cdio_list_node_next(node)) {
        const auto* stat = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
        const std::string_view raw = stat->filename;
        if (raw.empty() || raw == "." || raw == "..") continue;
        entries.push_back({ShownDiscName(raw), prefix + std::string(raw), stat->type == iso9660_stat_s::_STAT_DIR,
                           static_cast<std::uint32_t>(stat->lsn), stat->size});
    }
    iso9660_filelist_free(list);
    if (listings_.size() >= ListingsKept) listings_.clear();
    listings_.emplace(folder.libPath, entries);
    return entries;
}

std::optional<DiscEntry> DiscImage::Find(const std::vector<std::string>& components, std::vector<std::string>* names) {
    DiscEntry at = root_;
    if (names) names->clear();
    for (const std::string& component : components) {
        const auto entries = List(at);
        if (!entries) return std::nullopt;
        // As written first, then the first in sorted order without regard to case.
        const DiscEntry* found = nullptr;
        for (const DiscEntry& entry : *entries) {
            if (entry.name == component) {
                found = &entry;
                break;
            }
            if (NamesMatch(entry.name, component) && (!found || entry.name < found->name)) found = &entry;
        }
        if (!found) return std::nullopt;
        at = *found;
        if (names) names->push_back(at.name);
    }
    return at;
}

std::optional<std::uint64_t> DiscImage::PlainFileOffset(const DiscEntry& entry) const {
    if (!handles_->iso || handles_->cdio || rawSectors_ || entry.folder || !Inside(entry)) return std::nullopt;
    return std::uint64_t{entry.lsn} * DiscBlock;
}

bool DiscImage::ReadBlocks(std::uint32_t lsn, std::uint32_t count, void* buffer) {
    if (lsn > blocks_ || count > blocks_ - lsn) return false;
    std::lock_guard lock(mutex_);
    if (handles_->iso && rawSectors_) {
        // The library reads a run of blocks as one stretch of the file, which
        // raw sectors are not.
        auto* at = static_cast<char*>(buffer);
        for (std::uint32_t i = 0; i < count; ++i, at += DiscBlock)
            if (iso9660_iso_seek_read(handles_->iso, at, lsn + i, 1) != DiscBlock) return false;
        return true;
    }
    if (handles_->iso)
        return iso9660_iso_seek_read(handles_->iso, buffer, lsn, count) == static_cast<long>(count) * DiscBlock;
    return cdio_read_data_sectors(handles_->cdio, buffer, static_cast<lsn_t>(lsn), DiscBlock, count) ==
           DRIVER_OP_SUCCESS;
}

}  // namespace platform
