#include "shell/FileHelpers.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace nalo {

namespace {

unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool matchFrom(const std::string& w, size_t wi, const std::string& n, size_t ni) {
    // Iterative glob match with single-star backtracking.
    size_t starW = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (wi < w.size() && (w[wi] == '?' || foldAscii(w[wi]) == foldAscii(n[ni])) && w[wi] != '*') {
            ++wi;
            ++ni;
        } else if (wi < w.size() && w[wi] == '*') {
            starW = wi++;
            starN = ni;
        } else if (starW != std::string::npos) {
            wi = starW + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (wi < w.size() && w[wi] == '*') ++wi;
    return wi == w.size();
}

}  // namespace

std::string AddBackslash(const std::string& path) {
    std::string p = path;
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}

std::string ParentPath(const std::string& path) {
    size_t pos = path.rfind('/');
    if (pos == std::string::npos) return {};
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

bool FolderExists(const std::string& path) {
    DirHandle d(::opendir(AddBackslash(path).c_str()));
    return d != nullptr;
}

bool FileExists(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

bool WildcardMatch(const std::string& wildcard, const std::string& name) {
    if (matchFrom(wildcard, 0, name, 0)) return true;
    if (wildcard.size() >= 2 && wildcard.compare(wildcard.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return matchFrom(wildcard.substr(0, wildcard.size() - 2), 0, name, 0);
    return false;
}

bool LessNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = foldAscii(static_cast<unsigned char>(a[i]));
        unsigned char cb = foldAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool CollectFiles(const std::string& pattern, int attribute, std::vector<std::string>& list,
                  const ListingHooks& hooks) {
    size_t slash = pattern.rfind('/');
    std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash);
    std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    std::string prefix = slash == std::string::npos ? "" : folder + "/";
    std::string openName = folder.empty() ? "/" : folder;

    auto fail = [&](int e) {
        if (!hooks.onError) return false;
        try {
            raiseFileError("Nalo", openName, e);
        } catch (const RuntimeError& error) {
            hooks.onError(error);
        }
        return false;
    };

    DirHandle dir(::opendir(openName.c_str()));
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR) return true;  // nothing there: an empty listing
        return fail(errno);
    }
    if (attribute != AttrNormal && attribute != AttrReadOnly) return true;

    int dfd = ::dirfd(dir.get());
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        dirent* e = ::readdir(dir.get());
        if (!e) {
            if (errno != 0) return fail(errno);
            break;
        }
        if (e->d_name[0] == '.') continue;
        if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN && e->d_type != DT_LNK) continue;
        std::string name = e->d_name;
        if (!WildcardMatch(wildcard, name)) continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        int attr = (st.st_mode & S_IWUSR) ? AttrNormal : AttrReadOnly;
        if (attr == attribute) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), LessNoCase);
    list.reserve(list.size() + names.size());
    for (const auto& name : names) {
        list.push_back(prefix + name);
        if (hooks.letEventsRun) hooks.letEventsRun();
    }
    return true;
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& wildcard,
                                    const ListingHooks& hooks) {
    std::vector<std::string> list;
    std::string pattern = (folder.empty() || folder.back() != '/' ? folder + "/" : folder) + wildcard;
    for (int attribute : {AttrNormal, AttrArchive, AttrReadOnly})
        if (!CollectFiles(pattern, attribute, list, hooks)) break;
    return list;
}

std::string FileNameOf(const std::string& path) {
    size_t pos = path.rfind('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

void SplitName(const std::string& name, std::string& base, std::string& ext) {
    size_t dot = name.find('.');
    if (dot == std::string::npos) {
        base = name;
        return;
    }
    base = name.substr(0, dot);
    ext = name.substr(dot + 1);
}

}  // namespace nalo
