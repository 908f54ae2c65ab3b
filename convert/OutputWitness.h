#pragma once

#include "convert/ProcessRunner.h"

#ifdef _WIN32
#include "win32/WindowsHandle.h"
#else
#include "convert/UniqueFd.h"
#endif

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace quillaro {

// The rule "remove only what the encoder provably wrote", in two halves: the
// witness looks at the encoder while it runs, and the clean-up after a failed
// run removes what it left only on the witness's word.

// Which file a name leads to: on POSIX the device and inode numbers
// (st_dev, st_ino), on Windows the volume serial number and the file index
// (GetFileInformationByHandle). Two names of one file have the same id.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    friend bool operator==(const FileId&, const FileId&) = default;
};

// The file `path` leads to, the same under every spelling of its name
// ("/v/./a.wmv", a case variant on Windows, a link); nothing when none can be
// reached.
std::optional<FileId> fileIdentity(const std::string& path);

// What a file's own record tells of its contents: a write changes the
// modification time, any change (a write, a truncation) the change time, in
// the units the system keeps them in.
struct FileFacts {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    friend bool operator==(const FileFacts&, const FileFacts&) = default;
};

// What was seen of the encoder and the file at its output path: the one
// evidence that a file found there afterwards is the encoder's own work, not
// another program's.
struct FileWitness {
    bool watched = false;       // this system let us see the encoder's open files
    std::optional<FileId> held; // the file at that path the encoder was last seen holding open
    // That very file, held by us from then on (a descriptor with no access to
    // its contents, or such a handle), so that its number cannot go to
    // another file once the encoder lets it go and someone removes it.
#ifdef _WIN32
    UniqueHandle pin;
#else
    UniqueFd pin;
    // Linux: what has been done to it since, as inotify tells (a write, a
    // change of its record, a writer letting it go), or none; and what was
    // read of that after it was last seen held.
    UniqueFd changes;
    enum class Since { Nothing, WrittenThenLetGo, More } since = Since::Nothing;
#endif
    FileFacts facts; // as last seen while the encoder held it
};

// Looks, at every look of the runner, whether the encoder itself holds the
// file at its output path open. A link at that path is taken as itself,
// never followed. Only the encoder's own handles count: another program
// writing the same path is no evidence. Linux shows a process's open files
// in /proc; Windows tells which processes use a file (Wine does not, so
// there nothing is watched).
class OutputWitness {
public:
    explicit OutputWitness(std::string output)
        : m_output(std::move(output)) {}

    // The runner's look while the encoder runs (a LookAtChild).
    void look(const RunningChild& encoder);

    const FileWitness& seen() const { return m_seen; }

private:
    std::string m_output;
    bool m_probed = false;     // whether the system can tell was asked
    bool m_cannotTell = false; // and it cannot: no look is worth its cost
    std::string m_heldAs;      // POSIX: the encoder's descriptor of the pinned file
    FileWitness m_seen;
};

// What a failed encoder run left at its output path, and what was done with it.
enum class LeftOutput {
    None,     // nothing there
    Removed,  // a broken file of this run's, removed
    InUse,    // kept: another program has it open
    NotPlain, // kept: a link, a file with more than one name, someone else's...
    Unsure,   // kept: nothing tells that this run made it
    NotOurs,  // kept: the encoder was watched and never held it
};

// Removes what a failed run left at `output`, provided nothing there was
// before the run started (the caller has made sure of that), it is a plain
// file of ours, with one name, that no other program holds open, the run's
// witness saw our encoder hold that very file, and it is unchanged since it
// was last seen held, but for the encoder's own last writes: on Linux, what
// was done to it since then, if anything, is writes and then one writer
// letting it go, the encoder ending. Without that evidence it stays: another
// program may have put it there, or written into it, once the encoder let it
// go. (Elsewhere an encoder that writes in the last few milliseconds before
// it lets its output go leaves it kept: the safe side.)
LeftOutput removeLeftOutput(const std::string& output, const FileWitness& witness);

} // namespace quillaro
