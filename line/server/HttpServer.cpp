#include "line/server/HttpServer.h"

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <cctype>
#include <stdexcept>
#include <thread>

namespace line {
namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using beast::error_code;

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// A connection's buffer: a request's head, a chunk's size line and the trailer must fit in it.
constexpr size_t kBufferBytes = 16 * 1024;
constexpr size_t kReadBytes = 4096;
// What a refused client may still send before the connection closes, so that it reads its
// answer instead of a reset.
constexpr size_t kDrainBytes = 1024 * 1024;
constexpr std::chrono::seconds kDrainTime{2};
// The largest body any route takes, until the route is known.
constexpr size_t kLargestBody = 1024 * 1024;

std::string_view View(beast::string_view text) {
  return {text.data(), text.size()};
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

struct Shared {
  HttpHandler& handler;
  HttpLimits limits;
  std::optional<ssl::context> tls;
  std::atomic<size_t> open{0};
};

template <class Stream>
class Connection : public std::enable_shared_from_this<Connection<Stream>> {
 public:
  template <class... Context>
  Connection(Shared& shared, tcp::socket socket, Context&... context)
      : shared_(shared), stream_(std::move(socket), context...), buffer_(kBufferBytes) {
    ++shared_.open;
    error_code failed;
    tcp::endpoint peer = Lowest().socket().remote_endpoint(failed);
    remote_ = failed ? std::string() : peer.address().to_string();
  }
  ~Connection() { --shared_.open; }

  void Start() {
    if constexpr (std::is_same_v<Stream, TlsStream>) {
      Lowest().expires_after(shared_.limits.headTime);
      stream_.async_handshake(ssl::stream_base::server,
                              [self = this->shared_from_this()](error_code failed) {
                                if (!failed) {
                                  self->WaitForRequest();
                                }
                              });
    } else {
      net::dispatch(stream_.get_executor(),
                    [self = this->shared_from_this()] { self->WaitForRequest(); });
    }
  }

 private:
  beast::tcp_stream& Lowest() { return beast::get_lowest_layer(stream_); }

  // A kept-alive connection may wait idle for its next request; once its first bytes are there,
  // the rest of the head has its own deadline.
  void WaitForRequest() {
    if (buffer_.size() > 0) {
      return ReadHead();
    }
    Lowest().expires_after(served_ == 0 ? shared_.limits.headTime : shared_.limits.idleTime);
    stream_.async_read_some(buffer_.prepare(kReadBytes),
                            [self = this->shared_from_this()](error_code failed, size_t count) {
                              if (!failed) {
                                self->buffer_.commit(count);
                                self->ReadHead();
                              }
                            });
  }

  void ReadHead() {
    parser_.emplace();
    parser_->header_limit(static_cast<uint32_t>(shared_.limits.headBytes));
    parser_->body_limit(kLargestBody);
    headBytes_ = 0;
    Lowest().expires_after(shared_.limits.headTime);
    ReadHeadPart();
  }

  // The parser takes the head's fields as they arrive and bounds only what has not arrived
  // whole: the head's size is counted here, across reads.
  void ReadHeadPart() {
    http::async_read_some(stream_, buffer_, *parser_,
                          [self = this->shared_from_this()](error_code failed, size_t count) {
                            self->headBytes_ += count;
                            if (failed || self->parser_->is_header_done()) {
                              return self->OnHead(failed);
                            }
                            if (self->headBytes_ > self->shared_.limits.headBytes) {
                              return self->OnHead({});
                            }
                            self->ReadHeadPart();
                          });
  }

  void OnHead(error_code failed) {
    if (!failed && headBytes_ > shared_.limits.headBytes) {
      failed = http::error::header_limit;
    }
    if (failed) {
      return RefuseUnreadable(failed);
    }
    const auto& message = parser_->get();
    if (static_cast<size_t>(std::distance(message.begin(), message.end())) >
        shared_.limits.headFields) {
      return Refuse(431, "request: more than " + std::to_string(shared_.limits.headFields) +
                             " header fields");
    }
    request_ = HttpRequest{};
    request_.method = std::string(View(message.method_string()));
    std::string_view target = View(message.target());
    size_t question = target.find('?');
    request_.path = std::string(target.substr(0, question));
    if (question != std::string_view::npos) {
      request_.query = std::string(target.substr(question + 1));
    }
    for (const auto& field : message) {
      std::string& value = request_.headers[Lower(View(field.name_string()))];
      value += (value.empty() ? "" : ", ") + std::string(View(field.value()));
    }
    request_.remote = remote_;
    request_.secure = std::is_same_v<Stream, TlsStream>;
    HttpHandler::Admission admission = shared_.handler.Admit(request_);
    if (admission.refusal) {
      return Send(std::move(*admission.refusal), true);
    }
    bodyLimit_ = admission.bodyLimit;
    // A declared length is checked now; a chunked body as it arrives.
    if (parser_->content_length().value_or(0) > bodyLimit_) {
      return RefuseTooLarge();
    }
    parser_->body_limit(bodyLimit_);
    if (parser_->is_done()) {
      return Dispatch();
    }
    if (beast::iequals(message[http::field::expect], "100-continue")) {
      auto proceed = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                        message.version());
      Lowest().expires_after(shared_.limits.writeTime);
      return http::async_write(stream_, *proceed,
                               [self = this->shared_from_this(), proceed](error_code fail, size_t) {
                                 if (!fail) {
                                   self->ReadBody();
                                 }
                               });
    }
    ReadBody();
  }

  void ReadBody() {
    Lowest().expires_after(shared_.limits.bodyTime);
    http::async_read(stream_, buffer_, *parser_,
                     [self = this->shared_from_this()](error_code failed, size_t) {
                       if (failed) {
                         return self->RefuseUnreadable(failed);
                       }
                       self->Dispatch();
                     });
  }

  void Dispatch() {
    keepAlive_ = parser_->get().keep_alive();
    request_.body = std::move(parser_->get().body());
    parser_.reset();
    Lowest().expires_never();  // the handler's time is its own; the answer has a deadline
    auto self = this->shared_from_this();
    shared_.handler.Handle(std::move(request_), [self](HttpAnswer answer) {
      net::post(self->stream_.get_executor(),
                [self, answer = std::move(answer)]() mutable { self->Send(std::move(answer)); });
    });
  }

  void RefuseTooLarge() { Send(shared_.handler.TooLarge(request_, bodyLimit_), true); }

  // What the parser could not take: a request that broke a limit or the protocol is answered;
  // a client that went away or ran out of time is dropped.
  void RefuseUnreadable(error_code failed) {
    if (failed == http::error::body_limit) {
      return RefuseTooLarge();
    }
    if (failed == http::error::header_limit) {
      return Refuse(431, "request: a head larger than " + std::to_string(shared_.limits.headBytes) +
                             " bytes");
    }
    if (failed == http::error::buffer_overflow) {
      return Refuse(400, "request: a line longer than " + std::to_string(kBufferBytes) + " bytes");
    }
    if (failed.category() == http::make_error_code(http::error::end_of_stream).category() &&
        failed != http::error::end_of_stream && failed != http::error::partial_message) {
      Refuse(400, "request: not readable as HTTP/1.1 (" + failed.message() + ")");
    }
  }

  void Refuse(unsigned status, const std::string& text) {
    Send(shared_.handler.Refusal(status, text), true);
  }

  void Send(HttpAnswer answer, bool unread = false) {
    auto response = std::make_shared<http::response<http::string_body>>(
        static_cast<http::status>(answer.status), 11);
    response->set(http::field::content_type, answer.contentType);
    for (const auto& [name, value] : answer.headers) {
      response->set(name, value);
    }
    response->body() = std::move(answer.body);
    // The last answer a connection gives says so, so that the client sends no more on it.
    bool last = served_ + 1 >= shared_.limits.requestsPerConnection;
    response->keep_alive(keepAlive_ && !answer.close && !unread && !last);
    response->prepare_payload();
    hold_ = std::move(answer.hold);
    Lowest().expires_after(shared_.limits.writeTime);
    http::async_write(stream_, *response,
                      [self = this->shared_from_this(), response](error_code failed, size_t) {
                        self->hold_.reset();
                        if (failed) {
                          return;
                        }
                        ++self->served_;
                        if (!response->keep_alive()) {
                          return self->Close();
                        }
                        self->WaitForRequest();
                      });
  }

  // The answer is out: the client reads it, and whatever it still sends is read and dropped
  // for a bounded time and size before the socket closes.
  void Close() {
    if constexpr (std::is_same_v<Stream, TlsStream>) {
      Lowest().expires_after(kDrainTime);
      stream_.async_shutdown([self = this->shared_from_this()](error_code) {});
    } else {
      error_code ignored;
      Lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
      Lowest().expires_after(kDrainTime);
      Drain();
    }
  }

  void Drain() {
    buffer_.clear();
    stream_.async_read_some(buffer_.prepare(kReadBytes),
                            [self = this->shared_from_this()](error_code failed, size_t count) {
                              self->drained_ += count;
                              if (!failed && self->drained_ < kDrainBytes) {
                                self->Drain();
                              }
                            });
  }

  Shared& shared_;
  Stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  HttpRequest request_;
  std::string remote_;
  size_t headBytes_ = 0;
  size_t bodyLimit_ = 0;
  bool keepAlive_ = false;
  size_t served_ = 0;
  size_t drained_ = 0;
  std::shared_ptr<void> hold_;
};

}  // namespace

const std::string& HttpRequest::Header(const std::string& name) const {
  static const std::string kNone;
  auto found = headers.find(name);
  return found == headers.end() ? kNone : found->second;
}

struct HttpServer::Impl {
  Impl(HttpHandler& handler, const HttpLimits& limits)
      : shared{handler, limits, std::nullopt}, acceptor(io), retry(io) {}

  void Accept() {
    acceptor.async_accept(net::make_strand(io), [this](error_code failed, tcp::socket socket) {
      if (failed == net::error::operation_aborted) {
        return;
      }
      if (failed) {  // out of descriptors, for instance: try again shortly, do not spin
        retry.expires_after(std::chrono::milliseconds(100));
        return retry.async_wait([this](error_code) { Accept(); });
      }
      Take(std::move(socket));
      Accept();
    });
  }

  void Take(tcp::socket socket) {
    if (shared.open >= shared.limits.maxConnections) {
      return;  // the socket closes: the client tries again later
    }
    error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);  // answers go out at once
    if (shared.tls) {
      std::make_shared<Connection<TlsStream>>(shared, std::move(socket), *shared.tls)->Start();
    } else {
      std::make_shared<Connection<PlainStream>>(shared, std::move(socket))->Start();
    }
  }

  net::io_context io;
  Shared shared;
  tcp::acceptor acceptor;
  net::steady_timer retry;
};

HttpServer::HttpServer(HttpHandler& handler, const HttpLimits& limits, const std::string& certFile,
                       const std::string& keyFile)
    : impl_(std::make_unique<Impl>(handler, limits)) {
  if (certFile.empty() && keyFile.empty()) {
    return;
  }
  ssl::context& tls = impl_->shared.tls.emplace(ssl::context::tls_server);
  tls.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                  ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1);
  error_code failed;
  tls.use_certificate_chain_file(certFile, failed);
  if (failed) {
    throw std::runtime_error("cannot use the certificate " + certFile + ": " + failed.message());
  }
  tls.use_private_key_file(keyFile, ssl::context::pem, failed);
  if (failed) {
    throw std::runtime_error("cannot use the key " + keyFile + ": " + failed.message());
  }
}

HttpServer::~HttpServer() = default;

void HttpServer::Listen(const std::string& host, int port) {
  std::string address = host + ":" + std::to_string(port);
  error_code failed;
  tcp::resolver resolver(impl_->io);
  auto endpoints = resolver.resolve(host, std::to_string(port), tcp::resolver::passive, failed);
  if (failed || endpoints.empty()) {
    throw std::runtime_error("cannot listen on " + address + ": " +
                             (failed ? failed.message() : "no such address"));
  }
  tcp::endpoint endpoint = endpoints.begin()->endpoint();
  tcp::acceptor& acceptor = impl_->acceptor;
  // SO_REUSEADDR takes a port whose last connections are still closing; a port another
  // program listens on stays refused (nothing sets SO_REUSEPORT).
  if (acceptor.open(endpoint.protocol(), failed) ||
      acceptor.set_option(tcp::acceptor::reuse_address(true), failed) ||
      acceptor.bind(endpoint, failed) ||
      acceptor.listen(net::socket_base::max_listen_connections, failed)) {
    acceptor.close();
    throw std::runtime_error("cannot listen on " + address + ": " + failed.message());
  }
  impl_->Accept();
}

int HttpServer::Port() const {
  error_code ignored;
  return impl_->acceptor.local_endpoint(ignored).port();
}

void HttpServer::Run() {
  std::vector<std::thread> threads;
  for (size_t i = 1; i < impl_->shared.limits.ioThreads; ++i) {
    threads.emplace_back([this] { impl_->io.run(); });
  }
  impl_->io.run();
  for (std::thread& thread : threads) {
    thread.join();
  }
}

void HttpServer::Stop() {
  impl_->io.stop();
}

size_t HttpServer::OpenConnections() const {
  return impl_->shared.open;
}

}  // namespace line
