// varnex-line: the line service. `serve` answers stations and the dashboard; `token` gives a
// station or a reader its token, lists and removes them; `user` adds and removes the
// dashboard's viewers; `import` loads record files and the archive's day files; `prune` archives
// and deletes runs older than keep-days; `backup` copies a live SQLite store. `--config FILE`
// reads the options of `serve` from the file's [serve] section (the package's
// /etc/varnex-line/varnex-line.conf); the other commands take the store, and prune its
// retention, from there too.
#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <thread>

#include "line/AdminCommands.h"
#include "line/LineVersion.h"
#include "line/StoreCommands.h"
#include "line/core/Metrics.h"
#include "line/server/ApiServer.h"
#include "line/server/Pruner.h"
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
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);  // [::1]:8080
  }
  try {
    size_t used = 0;
    port = std::stoi(listen.substr(colon + 1), &used);
    return used == listen.size() - colon - 1 && port >= 0 && port <= 65535;
  } catch (const std::exception&) {
    return false;
  }
}

// Retention while serving: with keep-days set, runs older than that go to the archive folder.
struct Keeping {
  int64_t keepDays = 0;
  std::string archive;
};

int Serve(const std::string& db, line::StoreOptions storeOptions, const std::string& listen,
          line::ServerOptions options, const Keeping& keeping) {
  std::string host;
  int port = 0;
  if (!SplitListen(listen, host, port)) {
    std::cerr << "varnex-line: --listen takes HOST:PORT, e.g. 127.0.0.1:8080\n";
    return 2;
  }
  // Answers of several MiB go back to the system when sent: without a fixed threshold the C
  // library raises it after the first such block and keeps their memory in its heaps.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  // Signals are taken by one thread that stops the server; workers never see them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  options.metrics = line::ServiceMetrics(storeOptions);
  line::Counter& pruned = options.metrics->CounterOf("varnex_line_pruned_runs_total",
                                                     "Runs archived and deleted for keep-days.");
  std::unique_ptr<line::Store> store = line::OpenStore(db, storeOptions);
  bool https = !options.certFile.empty();
  line::ApiServer server(*store, std::move(options));
  std::unique_ptr<line::Pruner> pruner;
  if (keeping.keepDays > 0) {
    pruner = std::make_unique<line::Pruner>(*store, keeping.archive, keeping.keepDays, &pruned);
  }
  server.Listen(host, port);  // throws naming the address
  std::thread stopper([&server, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    server.Stop();
  });
  stopper.detach();
  std::cout << "varnex-line: serving " << (https ? "https" : "http") << "://"
            << listen.substr(0, listen.rfind(':')) << ':' << server.Port() << "/ (" << store->Kind()
            << ")" << std::endl;
  server.Run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"varnex-line: the line service of the Varnex stations"};
  app.require_subcommand(1);
  app.set_version_flag("--version", line::kLineVersion);
  // INI keys are the long option names, so every option of serve works in the file; a key
  // that names none is an error. Subcommands hand --config up to here (fallthrough), and
  // every command with --db takes the store (and its password file) from the same file.
  app.set_config("--config", "", "read serve's options from FILE's [serve] section")
      ->type_name("FILE");
  app.allow_config_extras(CLI::config_extras_mode::error);
  app.fallthrough();
  std::string db = kDefaultDb;
  std::string passwordFile;
  auto dbOption = [&](CLI::App* command) {
    command->add_option("--db", db, "SQLite file, or postgresql://user@host:port/database")
        ->capture_default_str();
    command
        ->add_option("--db-password-file", passwordFile,
                     "PostgreSQL's password, the file's first line (or PGPASSWORD, PGPASSFILE)")
        ->check(CLI::ExistingFile);
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
  serve->add_option("--threads", options.readThreads, "reads served at once")
      ->check(CLI::Range(1, 256))
      ->capture_default_str();
  serve->add_option("--max-connections", options.limits.maxConnections, "open connections at most")
      ->check(CLI::Range(16, 65536))
      ->capture_default_str();
  serve->add_option("--cert", options.certFile, "HTTPS certificate (PEM)");
  serve->add_option("--key", options.keyFile, "HTTPS private key (PEM)");
  serve->add_flag("--quiet", options.quiet, "no log line for refused records");
  CLI::Option* publicRead = serve->add_flag("--public-read", options.publicRead,
                                            "reads need no log-on, also off loopback");
  serve->add_flag("--require-login", options.requireLogIn, "reads need a log-on, also on loopback")
      ->excludes(publicRead);
  Keeping keeping;
  auto keepOptions = [&keeping](CLI::App* command) {
    CLI::Option* days =
        command->add_option("--keep-days", keeping.keepDays, "days of runs the store keeps")
            ->check(CLI::Range(1, 36500));
    command->add_option("--archive", keeping.archive, "folder of the pruned runs' day files")
        ->needs(days);
    days->needs("--archive");
  };
  keepOptions(serve);

  CLI::App* prune = app.add_subcommand("prune", "archive and delete runs older than keep-days");
  dbOption(prune);
  keepOptions(prune);  // or keep-days and archive of the config's [serve] section

  CLI::App* backup = app.add_subcommand("backup", "copy a live SQLite store consistently");
  dbOption(backup);
  std::string backupFile;
  backup->add_option("file", backupFile, "the copy")->required();

  CLI::App* token = app.add_subcommand("token", "station and read tokens");
  token->require_subcommand(1);
  CLI::App* tokenAdd = token->add_subcommand("add", "print a new token for a station, once");
  dbOption(tokenAdd);
  std::string name;
  bool readToken = false;
  tokenAdd->add_option("name", name, "the station's name (with --read: the reader's)")->required();
  tokenAdd->add_flag("--read", readToken, "a token that only reads (dashboards, scripts)");
  CLI::App* tokenList = token->add_subcommand("list", "every token: kind, name, id, made");
  dbOption(tokenList);
  CLI::App* tokenRemove = token->add_subcommand("remove", "remove a token by its id");
  dbOption(tokenRemove);
  std::string tokenId;
  std::string station;
  CLI::Option* byId = tokenRemove->add_option("id", tokenId, "the id `token list` shows");
  tokenRemove->add_option("--station", station, "remove every token of this station")
      ->excludes(byId);

  CLI::App* user = app.add_subcommand("user", "viewers of the dashboard");
  user->require_subcommand(1);
  CLI::App* userAdd = user->add_subcommand("add", "add a viewer, or give one a new password");
  dbOption(userAdd);
  userAdd->add_option("name", name, "the viewer's name")->required();
  CLI::App* userRemove = user->add_subcommand("remove", "remove a viewer and its sessions");
  dbOption(userRemove);
  userRemove->add_option("name", name, "the viewer's name")->required();

  CLI::App* import = app.add_subcommand("import", "load record files of a folder");
  dbOption(import);
  std::string folder;
  import
      ->add_option("folder", folder, "a station's results folder, spool or sent, or archive files")
      ->required()
      ->check(CLI::ExistingPath);

  CLI11_PARSE(app, argc, argv);
  if ((options.certFile.empty()) != (options.keyFile.empty())) {
    std::cerr << "varnex-line: HTTPS needs both --cert and --key\n";
    return 2;
  }
  if (prune->parsed() && keeping.keepDays == 0) {
    std::cerr << "varnex-line: prune needs --keep-days and --archive (or the config's)\n";
    return 2;
  }
  try {
    line::StoreOptions storeOptions;
    if (!passwordFile.empty()) {
      storeOptions.password = line::FirstLine(passwordFile);
    }
    if (serve->parsed()) {
      return Serve(db, storeOptions, listen, options, keeping);
    }
    if (backup->parsed()) {
      return line::Backup(db, backupFile);
    }
    std::unique_ptr<line::Store> store = line::OpenStore(db, storeOptions);
    if (tokenAdd->parsed()) {
      return line::AddToken(*store, readToken ? line::TokenKind::Read : line::TokenKind::Station,
                            name);
    }
    if (tokenList->parsed()) {
      return line::ListTokens(*store);
    }
    if (tokenRemove->parsed()) {
      return line::RemoveToken(*store, tokenId, station);
    }
    if (userAdd->parsed()) {
      return line::AddUser(*store, name);
    }
    if (userRemove->parsed()) {
      return line::RemoveUser(*store, name);
    }
    if (prune->parsed()) {
      return line::Prune(*store, keeping.archive, keeping.keepDays);
    }
    return line::Import(*store, folder);
  } catch (const std::exception& error) {
    std::cerr << "varnex-line: " << error.what() << "\n";
    return 1;
  }
}
