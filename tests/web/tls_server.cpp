#include "tests/web/tls_server.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <chrono>

namespace qltest {

namespace {

void WriteSelfSigned(const std::string& certPath, const std::string& keyPath) {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    if (!key || !cert) throw std::runtime_error("openssl");
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1,
                               -1, 0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
    FILE* c = std::fopen(certPath.c_str(), "wb");
    FILE* k = std::fopen(keyPath.c_str(), "wb");
    if (!c || !k) throw std::runtime_error("write certificate");
    PEM_write_X509(c, cert);
    PEM_write_PrivateKey(k, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(c);
    std::fclose(k);
    X509_free(cert);
    EVP_PKEY_free(key);
}

}  // namespace

TlsServer::TlsServer(std::string body) {
    char templ[] = "/tmp/qinglan-tls-XXXXXX";
    if (!::mkdtemp(templ)) throw std::runtime_error("mkdtemp");
    dir_ = templ;
    WriteSelfSigned(dir_ + "/cert.pem", dir_ + "/key.pem");
    server_ = std::make_unique<httplib::SSLServer>((dir_ + "/cert.pem").c_str(), (dir_ + "/key.pem").c_str());
    if (!server_->is_valid()) throw std::runtime_error("SSLServer");
    server_->Get("/page", [body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "text/plain");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TlsServer::~TlsServer() {
    server_->stop();
    thread_.join();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace qltest
