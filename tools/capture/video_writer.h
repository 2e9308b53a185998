// Encodes the captured frames into a video file through Debian's ffmpeg,
// started as a separate program: the frames go down a pipe as raw RGB,
// scaled up by a whole factor with nearest-neighbour sampling so that the
// pixels stay sharp, at 1000 / step frames a second.
//
// The file appears only when it is complete: ffmpeg writes to a temporary
// name beside it, which is renamed at the end and removed on any failure
// (including an interrupt).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

struct VideoSettings {
    std::string path;         // the video file; its extension picks the container
    uint32_t stepMs = 20;     // demo time between frames
    int scale = 3;            // whole-number enlargement
    uint32_t totalFrames = 0; // expected frames, for the progress line
};

class VideoWriter {
  public:
    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Whether ffmpeg can be started; if not, says which package to install.
    static bool ffmpegInstalled();

    // A temporary name beside the video for a WAV file of the show's sound,
    // which the writer removes with its other temporary files.
    std::string soundFile(const std::string& videoPath);

    // Starts ffmpeg. False (with a message) when it cannot.
    bool start(const VideoSettings& settings);

    // Sends one 320x240 frame and updates the progress line.
    bool addFrame(const uint16_t* pixels);

    // Ends the stream, adds the sound from `wavPath` when one is given and
    // holds any, and moves the finished file to its name. False (and nothing
    // left behind) when any step fails.
    bool finish(const std::string& wavPath);

    // Stops ffmpeg and removes everything written so far.
    void abandon();

  private:
    bool endEncoder();
    void showProgress(bool last);

    VideoSettings settings;
    pid_t encoder = -1;
    int pipeFd = -1;
    uint32_t frames = 0;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastProgress;
};
