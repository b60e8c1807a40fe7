#include "localservices/server.h"

#include <httplib.h>

#include <cstdio>
#include <ctime>

namespace ql::localsvc {

namespace {

// cpp-httplib parses multipart bodies itself and keeps no raw copy; the upload handler parses the raw
// bytes with our own parser, so the request's Content-Type is kept under this name instead.
constexpr const char* kRawContentType = "X-Qinglan-Raw-Content-Type";

void Send(httplib::Response& res, const Reply& reply) {
    res.status = reply.status;
    res.set_content(reply.body, reply.contentType.c_str());
}

std::string QueryOf(const httplib::Request& req) {
    const size_t q = req.target.find('?');
    return q == std::string::npos ? std::string() : req.target.substr(q + 1);
}

void LogRequest(const httplib::Request& req, const httplib::Response& res) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm);
    // The path only: queries carry the secret key and tokens.
    std::fprintf(stderr, "%s %s:%d %s %s %d %zu\n", stamp, req.remote_addr.c_str(), req.remote_port,
                 req.method.c_str(), req.path.c_str(), res.status, res.body.size());
}

}  // namespace

struct LocalServer::Impl {
    explicit Impl(ServiceConfig config) : services(std::move(config)) {}
    LocalServices services;
    httplib::Server http;
};

LocalServer::LocalServer(ServiceConfig config, bool logRequests) : impl_(std::make_unique<Impl>(std::move(config))) {
    httplib::Server& http = impl_->http;
    LocalServices& svc = impl_->services;
    http.set_payload_max_length(kMaxBodyBytes);

    http.set_pre_routing_handler([](const httplib::Request& creq, httplib::Response&) {
        // The Request object is the server's own, mutable one, handed out as const.
        auto& req = const_cast<httplib::Request&>(creq);
        if (req.is_multipart_form_data()) {
            const std::string type = req.get_header_value("Content-Type");
            req.headers.erase("Content-Type");
            req.headers.erase(kRawContentType);
            req.headers.emplace(kRawContentType, type);
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    const auto token = [&svc](const httplib::Request& req, httplib::Response& res) {
        std::string query = QueryOf(req);
        if (req.method == "POST" && !req.body.empty()) query += "&" + req.body;
        Send(res, svc.Token(query));
    };
    http.Get("/oauth/2.0/token", token);
    http.Post("/oauth/2.0/token", token);

    http.Post("/uploadheadimg.php", [&svc](const httplib::Request& req, httplib::Response& res) {
        const std::string type = req.has_header(kRawContentType) ? req.get_header_value(kRawContentType)
                                                                  : req.get_header_value("Content-Type");
        Send(res, svc.Upload(type, req.body));
    });

    http.Get(R"(/photo/(\d{1,18})\.png)", [&svc](const httplib::Request& req, httplib::Response& res) {
        Send(res, svc.Photo(req.matches[1].str()));
    });

    http.Post("/rest/2.0/ocr/v1/general_basic", [&svc](const httplib::Request& req, httplib::Response& res) {
        Send(res, svc.Ocr(QueryOf(req), req.body));
    });

    const auto translate = [&svc](const httplib::Request& req, httplib::Response& res) {
        Send(res, svc.Translate(QueryOf(req), req.method == "POST" ? req.body : std::string()));
    };
    http.Post("/api/trans/vip/translate", translate);
    http.Get("/api/trans/vip/translate", translate);

    http.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const char* what = res.status == 404   ? "not found"
                           : res.status == 413 ? "request body too large"
                                               : "bad request";
        res.set_content(std::string("{\"code\":") + std::to_string(res.status) + ",\"msg\":\"" + what + "\"}",
                        "application/json;charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    }));
    http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content("{\"code\":500,\"msg\":\"internal error\"}", "application/json;charset=utf-8");
    });
    if (logRequests) http.set_logger(LogRequest);
}

LocalServer::~LocalServer() = default;

int LocalServer::Bind(int port) {
    if (port == 0) return impl_->http.bind_to_any_port("127.0.0.1");
    return impl_->http.bind_to_port("127.0.0.1", port) ? port : -1;
}

bool LocalServer::Run() { return impl_->http.listen_after_bind(); }

void LocalServer::Stop() { impl_->http.stop(); }

LocalServices& LocalServer::Services() { return impl_->services; }

}  // namespace ql::localsvc
