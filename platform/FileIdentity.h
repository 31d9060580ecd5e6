#pragma once
// What a path names, so that two spellings of one file are told to be one: the same
// device and inode when both exist, else the same folder (device and inode, links
// resolved) and the same name in it.
#include <map>
#include <string>
#include <sys/types.h>
#include <tuple>
#include <utility>
#include <vector>

namespace nalo {

struct FileIdentity {
    bool exists = false;       // the path names an existing file (links followed)
    dev_t device = 0;
    ino_t inode = 0;
    bool folderExists = false;  // the folder the name is in
    dev_t folderDevice = 0;
    ino_t folderInode = 0;
    std::string name;  // the last component of the path
};

FileIdentity identifyFile(const std::string& path);

bool sameFile(const FileIdentity& a, const FileIdentity& b);
bool sameFile(const std::string& a, const std::string& b);

// Files by identity, each with a text of its own (the source that wrote it, the
// source it is), for runs that check every output against the files they read and
// the outputs they wrote. A lookup costs one stat whatever the size.
class FileIdentitySet {
public:
    void add(const std::string& path, std::string text);
    // The text of the file `path` is the same file as, or null.
    const std::string* find(const std::string& path) const;

private:
    struct Entry {
        std::string text;
        bool existed;
    };
    std::map<std::pair<dev_t, ino_t>, std::string> byInode_;
    std::map<std::tuple<dev_t, ino_t, std::string>, Entry> byName_;
};

// The first of `sources` that `output` is the same file as, or null.
const std::string* sourceNamedBy(const std::string& output, const std::vector<std::string>& sources);

// Why an output that is one of the run's own sources is not written.
inline constexpr const char* SourceAsOutput = "a source of this run, not written over";

// "OUTPUT: a source of this run, not written over", with the source's own spelling
// when it differs.
std::string sourceAsOutputReason(const std::string& output, const std::string& source);

// "same output as SOURCE of this run, not written over": an output an earlier source
// of the run already wrote.
std::string sameOutputReason(const std::string& earlierSource);

// Raises RuntimeError (PermissionDenied) naming `output` when it is one of `sources`:
// no tool writes its output over one of its own sources.
void refuseSourceAsOutput(const std::string& output, const std::vector<std::string>& sources,
                          const std::string& source);

}  // namespace nalo
