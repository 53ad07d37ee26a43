// varnex-line: the line service. `serve` answers stations and the dashboard, `token add`
// gives a station its token, `import` loads record files. `--config FILE` reads the options of
// `serve` from the file's [serve] section (the package's /etc/varnex-line/varnex-line.conf).
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <thread>

#include "line/LineVersion.h"
#include "line/server/ApiServer.h"
#include "line/server/Importer.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"

namespace {

constexpr const char* kDefaultDb = "varnex-line.db";

std::filesystem::path ProgramFolder() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : self.parent_path();
}

// The dashboard's files: web/ beside the program in a build folder; installed, the prefix's
// share/varnex-line/web (/usr/bin/varnex-line reads /usr/share/varnex-line/web).
std::filesystem::path WebFolder() {
  std::filesystem::path program = ProgramFolder();
  if (std::filesystem::exists(program / "web" / "index.html")) {
    return program / "web";
  }
  return program.parent_path() / "share" / "varnex-line" / "web";
}

bool SplitListen(const std::string& listen, std::string& host, int& port) {
  size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0) {
    return false;
  }
  host = listen.substr(0, colon);
  try {
    size_t used = 0;
    port = std::stoi(listen.substr(colon + 1), &used);
    return used == listen.size() - colon - 1 && port >= 0 && port <= 65535;
  } catch (const std::exception&) {
    return false;
  }
}

int Serve(const std::string& db, const std::string& listen, line::ServerOptions options) {
  std::string host;
  int port = 0;
  if (!SplitListen(listen, host, port)) {
    std::cerr << "varnex-line: --listen takes HOST:PORT, e.g. 127.0.0.1:8080\n";
    return 2;
  }
  // Signals are taken by one thread that stops the server; workers never see them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  std::unique_ptr<line::Store> store = line::OpenStore(db);
  line::ApiServer server(*store, std::move(options));
  if (!server.Bind(host, port)) {
    std::cerr << "varnex-line: cannot listen on " << listen << "\n";
    return 1;
  }
  std::thread stopper([&server, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    server.Stop();
  });
  stopper.detach();
  std::cout << "varnex-line: serving http://" << host << ':' << server.Port() << "/ ("
            << store->Kind() << ")" << std::endl;
  server.Run();
  return 0;
}

int AddToken(const std::string& db, const std::string& station) {
  std::unique_ptr<line::Store> store = line::OpenStore(db);
  std::string token = line::NewToken();
  store->AddToken(station, line::TokenHash(token), line::NowMs());
  std::cerr << "Token of station " << station
            << " (shown only now; put it into the station's VarnexLine.ini):\n";
  std::cout << token << std::endl;
  return 0;
}

int Import(const std::string& db, const std::string& folder) {
  std::unique_ptr<line::Store> store = line::OpenStore(db);
  line::ImportSummary summary = line::ImportFolder(folder, *store, line::NowMs());
  for (const std::string& problem : summary.problems) {
    std::cerr << problem << "\n";
  }
  std::cout << summary.files << " files: " << summary.stored << " stored, " << summary.repeated
            << " already stored, " << summary.conflicts << " conflicting, " << summary.invalid
            << " invalid" << std::endl;
  return summary.conflicts + summary.invalid == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"varnex-line: the line service of the Varnex stations"};
  app.require_subcommand(1);
  app.set_version_flag("--version", line::kLineVersion);
  // INI keys are the long option names, so every option of serve works in the file; a key
  // that names none is an error. Subcommands hand --config up to here (fallthrough), and
  // `token add` and `import` take the store from the same file.
  app.set_config("--config", "", "read serve's options from FILE's [serve] section")
      ->type_name("FILE");
  app.allow_config_extras(CLI::config_extras_mode::error);
  app.fallthrough();
  std::string db = kDefaultDb;
  auto dbOption = [&db](CLI::App* command) {
    command->add_option("--db", db, "SQLite file, or postgresql://user@host:port/database")
        ->capture_default_str();
  };

  CLI::App* serve = app.add_subcommand("serve", "answer stations and the dashboard");
  dbOption(serve);
  std::string listen = "127.0.0.1:8080";
  line::ServerOptions options;
  options.webDir = WebFolder().string();
  serve->add_option("--listen", listen, "HOST:PORT")->capture_default_str();
  serve->add_option("--web", options.webDir, "the dashboard's files")->capture_default_str();
  serve->add_option("--chartjs", options.chartJsPath, "Chart.js (Debian's libjs-chart.js)")
      ->capture_default_str();
  serve->add_option("--threads", options.threads, "connections served at once")
      ->check(CLI::Range(2, 1024))
      ->capture_default_str();
  serve->add_option("--cert", options.certFile, "HTTPS certificate (PEM)");
  serve->add_option("--key", options.keyFile, "HTTPS private key (PEM)");
  serve->add_flag("--quiet", options.quiet, "no log line for refused records");

  CLI::App* token = app.add_subcommand("token", "station tokens");
  token->require_subcommand(1);
  CLI::App* tokenAdd = token->add_subcommand("add", "print a new token for a station, once");
  dbOption(tokenAdd);
  std::string station;
  tokenAdd->add_option("station", station, "the station's name")->required();

  CLI::App* import = app.add_subcommand("import", "load record files of a folder");
  dbOption(import);
  std::string folder;
  import->add_option("folder", folder, "a station's results folder, spool or sent")
      ->required()
      ->check(CLI::ExistingDirectory);

  CLI11_PARSE(app, argc, argv);
  if ((options.certFile.empty()) != (options.keyFile.empty())) {
    std::cerr << "varnex-line: HTTPS needs both --cert and --key\n";
    return 2;
  }
  try {
    if (serve->parsed()) {
      return Serve(db, listen, options);
    }
    if (tokenAdd->parsed()) {
      return AddToken(db, station);
    }
    return Import(db, folder);
  } catch (const std::exception& error) {
    std::cerr << "varnex-line: " << error.what() << "\n";
    return 1;
  }
}
