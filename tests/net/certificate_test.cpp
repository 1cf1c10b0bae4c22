// Every fetcher checks the certificate of an https address, the download
// fetch included: a file saved from the network comes from the address the
// user chose, not from whoever sits on the way.
#include "net/fetch.h"
#include "net/transfer.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <thread>

namespace vokari {
namespace {

// An https server on a free loopback port with a certificate nobody signed.
class UntrustedHttpsServer {
public:
    UntrustedHttpsServer() : key_(EVP_EC_gen("P-256"), EVP_PKEY_free), cert_(X509_new(), X509_free) {
        ASN1_INTEGER_set(X509_get_serialNumber(cert_.get()), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert_.get()), 0);
        X509_gmtime_adj(X509_getm_notAfter(cert_.get()), 3600);
        X509_set_pubkey(cert_.get(), key_.get());
        X509_NAME* name = X509_get_subject_name(cert_.get());
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert_.get(), name);
        X509_sign(cert_.get(), key_.get(), EVP_sha256());
        server_ = std::make_unique<httplib::SSLServer>(cert_.get(), key_.get());
        server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("not the real file", "audio/mpeg");
        });
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        // Connections made before listen() runs wait in the backlog.
    }
    ~UntrustedHttpsServer() {
        server_->stop();
        thread_.join();
    }
    std::string url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_;
    std::unique_ptr<X509, decltype(&X509_free)> cert_;
    std::unique_ptr<httplib::SSLServer> server_;
    int port_ = 0;
    std::thread thread_;
};

TEST(Certificates, AnUntrustedCertificateEndsEveryFetch) {
    UntrustedHttpsServer server;
    // The server itself answers when nobody checks it.
    TransferRequest unchecked;
    unchecked.address = server.url();
    unchecked.verifyPeer = false;
    ASSERT_EQ(performTransfer(unchecked).body, "not the real file");

    int status = -1;
    EXPECT_EQ(requestBytes(server.url(), {.statusCode = &status}), Bytes());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fetchBytes(server.url()), Bytes());
    Text message;
    EXPECT_EQ(fetchText(server.url(), {.status = &message}), Text());
    // 711 发送请求失败!
    EXPECT_EQ(message, Text("711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!"));
}

}  // namespace
}  // namespace vokari
