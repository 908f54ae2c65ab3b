// Stands in for the encoder where only the cost of running it counts: writes
// the output (its last argument) and ends. The output is one byte, or a copy
// of the MP4 named by INSTANT_ENCODER_MP4, so that reading it costs what
// reading a real one does.
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    const int output = ::open(argv[argc - 1], O_WRONLY | O_CREAT | O_EXCL, 0644);
    const char* mp4 = std::getenv("INSTANT_ENCODER_MP4");
    if (output < 0 || (!mp4 && ::write(output, "x", 1) != 1))
        return 1;
    const int from = mp4 ? ::open(mp4, O_RDONLY) : -1;
    char bytes[65536];
    for (ssize_t size; mp4 && (size = ::read(from, bytes, sizeof bytes)) != 0;)
        if (size < 0 || ::write(output, bytes, static_cast<std::size_t>(size)) != size)
            return 1;
    return ::close(output);
}
