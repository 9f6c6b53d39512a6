// front/render/output_file.h: one file that demo-render writes, so that a reader only ever sees it
// whole: the data goes into a temporary file made beside it, which takes the file's name once
// complete; a device such as /dev/null is written directly.
#pragma once
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the temporary ".NAME.XXXXXX.EXT" in the folder of `path` (X random; the same
    // extension, from which ffmpeg takes the format), created exclusively so that it is never
    // an existing file or the target of a link, with the mode a new file gets. A character
    // device at `path` is opened to be written directly, without waiting (a FIFO is refused
    // however it got there). False, with the reason in *error, when neither can be.
    [[nodiscard]] bool begin(const std::string& path, std::string* error);
    // A temporary ".NAME.TAGXXXXXX.EXTENSION" beside `beside` that never takes a name (the
    // video's frames and sound while it is made): removed by discard.
    [[nodiscard]] bool begin_scratch(const std::string& beside, const std::string& tag,
                                     const std::string& extension, std::string* error);
    // Where the data goes meanwhile: the temporary, or the device itself; empty before begin.
    [[nodiscard]] const std::string& writing() const { return writing_; }
    // Gives the temporary the name asked for, replacing what had that name (a symbolic link
    // there is replaced, not followed). False, with the reason in *error, when it cannot;
    // then the temporary is removed.
    [[nodiscard]] bool commit(std::string* error);
    // Removes the temporary, if this run made one and it was not committed.
    void discard() noexcept;

private:
    bool make_temporary(const std::string& beside, const std::string& tag,
                        const std::string& extension, std::string* error);

    std::string path_;
    std::string writing_;
    bool        temporary_ = false;
};
