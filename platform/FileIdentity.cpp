#include "platform/FileIdentity.h"

#include <sys/stat.h>

#include "shell/RuntimeError.h"

namespace nalo {

FileIdentity identifyFile(const std::string& path) {
    FileIdentity id;
    const auto slash = path.find_last_of('/');
    id.name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
    }
    if (::stat(folder.c_str(), &st) == 0) {
        id.folderExists = true;
        id.folderDevice = st.st_dev;
        id.folderInode = st.st_ino;
    }
    return id;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.exists && b.exists) return a.device == b.device && a.inode == b.inode;
    return a.folderExists && b.folderExists && a.folderDevice == b.folderDevice && a.folderInode == b.folderInode &&
           a.name == b.name;
}

bool sameFile(const std::string& a, const std::string& b) { return sameFile(identifyFile(a), identifyFile(b)); }

void FileIdentitySet::add(const std::string& path, std::string text) {
    const FileIdentity id = identifyFile(path);
    if (id.exists) byInode_.try_emplace({id.device, id.inode}, text);
    if (id.folderExists) byName_.try_emplace({id.folderDevice, id.folderInode, id.name}, Entry{std::move(text), id.exists});
}

// As sameFile: by inode when both exist, else by folder and name.
const std::string* FileIdentitySet::find(const std::string& path) const {
    const FileIdentity id = identifyFile(path);
    if (id.exists) {
        const auto it = byInode_.find({id.device, id.inode});
        if (it != byInode_.end()) return &it->second;
    }
    if (!id.folderExists) return nullptr;
    const auto it = byName_.find({id.folderDevice, id.folderInode, id.name});
    return it != byName_.end() && !(id.exists && it->second.existed) ? &it->second.text : nullptr;
}

const std::string* sourceNamedBy(const std::string& output, const std::vector<std::string>& sources) {
    const FileIdentity out = identifyFile(output);
    for (const std::string& s : sources)
        if (sameFile(out, identifyFile(s))) return &s;
    return nullptr;
}

std::string sourceAsOutputReason(const std::string& output, const std::string& source) {
    return output + (source == output ? "" : " (" + source + ")") + ": " + SourceAsOutput;
}

std::string sameOutputReason(const std::string& earlierSource) {
    return "same output as " + earlierSource + " of this run, not written over";
}

void refuseSourceAsOutput(const std::string& output, const std::vector<std::string>& sources,
                          const std::string& source) {
    if (const std::string* s = sourceNamedBy(output, sources))
        throw RuntimeError(err::PermissionDenied, source, sourceAsOutputReason(output, *s));
}

}  // namespace nalo
