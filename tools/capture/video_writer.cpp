#include "video_writer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "video/image.h"
#include "video/screen.h"

extern char** environ;

namespace {

const char* const FFMPEG = "ffmpeg";
// Only errors from ffmpeg; the progress line is ours.
const std::vector<std::string> QUIET = {"-hide_banner", "-loglevel", "error", "-nostats"};

void append(std::vector<std::string>& arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
}

// The temporary files of the video being made, for the interrupt handler,
// which may only use what is safe in a signal handler.
const int TEMP_FILES = 3;
const int PICTURES_FILE = 0;   // the encoded frames alone
const int WITH_SOUND_FILE = 1; // the frames and the sound
const int SOUND_FILE = 2;      // the show's sound, when the video made it itself
const off_t WAV_HEADER_BYTES = 44;
const size_t TEMP_PATH_SIZE = 4096;
char tempPaths[TEMP_FILES][TEMP_PATH_SIZE];

void removeTempFiles() {
    for (char* path : tempPaths)
        if (path[0]) {
            unlink(path);
            path[0] = 0;
        }
}

void onInterrupt(int signal) {
    for (char* path : tempPaths)
        if (path[0]) unlink(path);
    ::signal(signal, SIG_DFL);
    raise(signal);
}

bool setTempPath(int slot, const std::string& path) {
    if (path.size() >= TEMP_PATH_SIZE) return false;
    memcpy(tempPaths[slot], path.c_str(), path.size() + 1);
    return true;
}

// "dir/show.mp4" -> "dir/show.partial-<pid><tag>.mp4": ffmpeg picks the
// container from the extension, so the temporary name keeps it.
std::string temporaryName(const std::string& path, const char* tag) {
    const size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        dot = path.size();
    return path.substr(0, dot) + ".partial-" + std::to_string(getpid()) + tag + path.substr(dot);
}

// Starts ffmpeg with `arguments`; its standard input is the read end of a new
// pipe when `input` is given (the write end goes to *input).
pid_t spawnFfmpeg(const std::vector<std::string>& arguments, int* input) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(FFMPEG));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // Close-on-exec, so that no other ffmpeg holds the pipe open; dup2 makes
    // the child's standard input without that flag.
    int fds[2] = {-1, -1};
    if (input && pipe2(fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input)
        posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // ffmpeg gets the default for the broken pipe signal that we ignore.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, FFMPEG, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (input) {
        close(fds[0]);
        if (failed)
            close(fds[1]);
        else
            *input = fds[1];
    }
    if (failed) errno = failed;
    return failed ? -1 : pid;
}

bool waitForSuccess(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool writeAll(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool VideoWriter::ffmpegInstalled() {
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + FFMPEG;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    fprintf(stderr, "demo-capture: --video needs the ffmpeg program, which is not installed.\n"
                    "Install it with: apt-get install ffmpeg\n");
    return false;
}

VideoWriter::~VideoWriter() {
    if (encoder > 0 || tempPaths[PICTURES_FILE][0] || tempPaths[WITH_SOUND_FILE][0] ||
        tempPaths[SOUND_FILE][0])
        abandon();
}

std::string VideoWriter::soundFile(const std::string& videoPath) {
    std::string path = temporaryName(videoPath, "-sound");
    path = path.substr(0, path.rfind('.')) + ".wav";
    if (!setTempPath(SOUND_FILE, path)) return "";
    return path;
}

bool VideoWriter::start(const VideoSettings& wanted) {
    settings = wanted;
    const std::string pictureTemp = temporaryName(settings.path, "");
    if (!setTempPath(PICTURES_FILE, pictureTemp)) {
        fprintf(stderr, "demo-capture: video file name too long\n");
        return false;
    }
    // A broken pipe must show up as a failed write, not end the program;
    // an interrupt must not leave a half-written file behind.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, onInterrupt);
    signal(SIGTERM, onInterrupt);
    signal(SIGHUP, onInterrupt);

    const std::string size = std::to_string(SCREEN_WIDTH) + "x" + std::to_string(SCREEN_HEIGHT);
    const std::string scaleFilter = "scale=iw*" + std::to_string(settings.scale) + ":ih*" +
                                    std::to_string(settings.scale) +
                                    ":flags=neighbor,format=yuv420p";
    const std::string rate = "1000/" + std::to_string(settings.stepMs);
    std::vector<std::string> arguments = QUIET;
    // Raw frames on standard input...
    append(arguments, {"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size});
    append(arguments, {"-framerate", rate, "-i", "-"});
    // ...enlarged, then in the colour format that every player takes.
    append(arguments, {"-vf", scaleFilter, "-crf", "18", "-y", pictureTemp});
    encoder = spawnFfmpeg(arguments, &pipeFd);
    if (encoder <= 0) {
        fprintf(stderr, "demo-capture: cannot start ffmpeg: %s\n", strerror(errno));
        encoder = -1;
        removeTempFiles();
        return false;
    }
    frames = 0;
    started = lastProgress = std::chrono::steady_clock::now();
    return true;
}

bool VideoWriter::addFrame(const uint16_t* pixels) {
    // 8-bit RGB with the low bits replicated, the colours the show's PNG
    // frames have (ffmpeg's own RGB565 input leaves the low bits at zero,
    // which darkens every colour a little).
    static uint8_t bytes[SCREEN_PIXELS * 3];
    for (int i = 0; i < SCREEN_PIXELS; i++)
        rgb565ToRgb888(pixels[i], bytes + 3 * i);
    if (!writeAll(pipeFd, bytes, sizeof bytes)) {
        fprintf(stderr, "\ndemo-capture: ffmpeg stopped taking frames\n");
        return false;
    }
    frames++;
    showProgress(false);
    return true;
}

void VideoWriter::showProgress(bool last) {
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - lastProgress < std::chrono::milliseconds(500)) return;
    lastProgress = now;
    const double seconds = std::chrono::duration<double>(now - started).count();
    const uint32_t total = settings.totalFrames > frames ? settings.totalFrames : frames;
    const int percent = total ? static_cast<int>(100.0 * frames / total) : 100;
    // On a terminal the line is rewritten in place; in a log it is one line
    // per update.
    const bool terminal = isatty(STDERR_FILENO);
    fprintf(stderr, "%sdemo-capture: video %3d%%, %u of %u frames, %.0f s%s", terminal ? "\r" : "",
            last ? 100 : percent, frames, total, seconds, terminal && !last ? "" : "\n");
}

bool VideoWriter::endEncoder() {
    if (pipeFd >= 0) close(pipeFd);
    pipeFd = -1;
    const bool ok = encoder > 0 && waitForSuccess(encoder);
    encoder = -1;
    return ok;
}

bool VideoWriter::finish(const std::string& wavPath) {
    settings.totalFrames = frames;
    showProgress(true);
    if (!endEncoder()) {
        fprintf(stderr, "demo-capture: ffmpeg could not make %s\n", settings.path.c_str());
        abandon();
        return false;
    }
    std::string finished = tempPaths[PICTURES_FILE];
    struct stat sound;
    const bool hasSound =
        !wavPath.empty() && stat(wavPath.c_str(), &sound) == 0 && sound.st_size > WAV_HEADER_BYTES;
    if (!wavPath.empty() && !hasSound)
        fprintf(stderr, "demo-capture: the show was silent; so is the video\n");
    if (hasSound) {
        // The pictures are kept as they are; the sound is encoded beside
        // them and the video ends with the shorter of the two.
        const std::string withSound = temporaryName(settings.path, "-with-sound");
        if (!setTempPath(WITH_SOUND_FILE, withSound)) {
            abandon();
            return false;
        }
        std::vector<std::string> arguments = QUIET;
        append(arguments, {"-i", finished, "-i", wavPath, "-map", "0:v", "-map", "1:a"});
        append(arguments, {"-c:v", "copy", "-shortest", "-y", withSound});
        const pid_t mux = spawnFfmpeg(arguments, nullptr);
        if (mux <= 0 || !waitForSuccess(mux)) {
            fprintf(stderr, "demo-capture: ffmpeg could not add the sound to %s\n",
                    settings.path.c_str());
            abandon();
            return false;
        }
        unlink(finished.c_str());
        tempPaths[PICTURES_FILE][0] = 0;
        finished = withSound;
    }
    if (rename(finished.c_str(), settings.path.c_str()) != 0) {
        fprintf(stderr, "demo-capture: cannot write %s: %s\n", settings.path.c_str(),
                strerror(errno));
        abandon();
        return false;
    }
    tempPaths[PICTURES_FILE][0] = tempPaths[WITH_SOUND_FILE][0] = 0;
    removeTempFiles(); // the sound file, if the video made its own
    fprintf(stderr, "demo-capture: video %s, %u frames at %.3g frames/s, %dx%d\n",
            settings.path.c_str(), frames, 1000.0 / settings.stepMs, SCREEN_WIDTH * settings.scale,
            SCREEN_HEIGHT * settings.scale);
    return true;
}

void VideoWriter::abandon() {
    if (encoder > 0) {
        if (pipeFd >= 0) close(pipeFd);
        pipeFd = -1;
        kill(encoder, SIGTERM);
        waitForSuccess(encoder);
        encoder = -1;
    }
    removeTempFiles();
}
