// A loopback HTTP server for the player tests, started once per test binary
// on a free port: a short generated tone, a missing file, and a host that
// takes the request and never answers.
#pragma once

#include <httplib.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>

#include <QString>

#include <gtest/gtest.h>

namespace vokari::testing_support {

// A mono 16-bit PCM WAV file holding a 440 Hz tone.
inline std::string toneWav(int milliseconds) {
    constexpr std::uint32_t rate = 22050;
    const std::uint32_t samples = rate * static_cast<std::uint32_t>(milliseconds) / 1000;
    std::string wav;
    const auto put = [&wav](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    wav += "RIFF";
    put(36 + samples * 2, 4);
    wav += "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2);
    wav += "data";
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double v = 8000 * std::sin(2 * 3.14159265358979 * 440 * i / rate);
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
    }
    return wav;
}

class PlayerTestServer : public testing::Environment {
public:
    static PlayerTestServer* instance;

    void SetUp() override {
        instance = this;
        server_.Get("/short.wav", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(toneWav(400), "audio/wav");
        });
        server_.Get("/long.wav", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(toneWav(3000), "audio/wav");
        });
        server_.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            res.status = 503;
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void TearDown() override {
        stopping_ = true;
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }

    QString address(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QString::fromLatin1(path));
    }

private:
    httplib::Server server_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int port_ = 0;
};

inline PlayerTestServer* PlayerTestServer::instance = nullptr;

}  // namespace vokari::testing_support
