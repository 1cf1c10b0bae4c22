// One accepted client connection, seen through the stream the HTTP library
// reads requests from and writes replies to. Owning that stream lets the
// simulator do what a well-behaved server library will not: keep the request
// head exactly as its bytes arrived (the library folds header names into a
// sorted map), write bytes that are not HTTP, and end with a reset.
#pragma once

#include <httplib.h>

#include <atomic>
#include <string>
#include <string_view>

namespace vokari::sim {

class Connection final : public httplib::Stream {
public:
    Connection(int socket, int readTimeoutSeconds, int writeTimeoutSeconds);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // httplib::Stream
    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return socket_; }

    // Bytes already read from the socket and not yet handed out.
    bool hasBufferedBytes() const { return bufferOffset_ < buffer_.size(); }
    // Called before each request on this connection.
    void beginRequest();
    // The request line and header lines exactly as received, up to and
    // including the blank line that ends them.
    std::string requestHead() const;

    // The Range header as the library parsed it, taken away from the library
    // (see server.cpp) and kept here for the request's handler.
    void keepRanges(httplib::Ranges ranges) { ranges_ = std::move(ranges); }
    const httplib::Ranges& ranges() const { return ranges_; }

    // Sends bytes straight to the socket, and makes everything the library
    // writes for this request vanish.
    void writeRaw(std::string_view bytes);
    void muteLibrary() { muted_ = true; }
    // Ends the connection after this request; with reset, as a TCP reset.
    void closeAfterRequest(bool reset);
    bool closing() const { return closing_; }

    // The connection the calling thread is serving, if any.
    static Connection* current();

private:
    friend class CurrentConnection;
    bool waitFor(short events, int timeoutSeconds) const;
    void keepHeadBytes(const char* ptr, std::size_t size);

    int socket_;
    int readTimeoutSeconds_;
    int writeTimeoutSeconds_;
    std::string consumed_;  // bytes handed to the library since beginRequest()
    bool headComplete_ = false;
    httplib::Ranges ranges_;
    std::string buffer_;
    std::size_t bufferOffset_ = 0;
    bool muted_ = false;
    bool closing_ = false;
    bool reset_ = false;
};

// Marks a connection as the calling thread's current one for its lifetime.
class CurrentConnection {
public:
    explicit CurrentConnection(Connection& connection);
    ~CurrentConnection();
    CurrentConnection(const CurrentConnection&) = delete;
    CurrentConnection& operator=(const CurrentConnection&) = delete;
};

}  // namespace vokari::sim
