#include "bench/mysql/ThrowawayServer.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

namespace kvt::bench {

std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

namespace {

std::string scriptCommand(const char* verb, const std::filesystem::path& dir) {
  return shellQuoted(KVT_MARIADB_SERVER_SCRIPT) + " " + verb + " " + shellQuoted(dir.string()) +
         " >/dev/null";
}

}  // namespace

ThrowawayServer::ThrowawayServer(const std::filesystem::path& dir) : dir_(dir) {
  if (std::system(scriptCommand("start", dir_).c_str()) != 0) {
    throw std::runtime_error("the MariaDB server did not start in " + dir_.string());
  }
  std::ifstream in(dir_ / "env");
  std::map<std::string, std::string> env;
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  try {
    params_.server = env.at("KVT_TEST_MYSQL_HOST");
    params_.port = static_cast<unsigned>(std::stoul(env.at("KVT_TEST_MYSQL_PORT")));
    params_.user = env.at("KVT_TEST_MYSQL_USER");
    params_.password = env.at("KVT_TEST_MYSQL_PASSWORD");
    params_.database = env.at("KVT_TEST_MYSQL_DATABASE");
    socket_ = env.at("KVT_TEST_MYSQL_SOCKET");
  } catch (const std::exception&) {
    std::system(scriptCommand("stop", dir_).c_str());
    throw std::runtime_error("no connection details in " + (dir_ / "env").string());
  }
}

ThrowawayServer::~ThrowawayServer() {
  std::system(scriptCommand("stop", dir_).c_str());
}

}  // namespace kvt::bench
