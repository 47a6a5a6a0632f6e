// A real HTTP server on loopback for tests (tests/tools/http_test_server.py) that reports every
// request it receives over a control connection. Wine starts the Unix python3 without giving
// us a process handle, so the control socket is the server's lifeline: closing it, or this
// process ending for any reason, ends the server.
#pragma once

#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace qln::test {

inline constexpr DWORD kServerWait = 15000;

struct ReceivedRequest {
    std::string requestLine;                    // "GET /fixed/10 HTTP/1.1"
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    bool Has(const std::string& name) const { return headers.count(name) != 0; }
    std::string Header(const std::string& name) const { return Has(name) ? headers.at(name) : "<missing>"; }
};

class TestServer {
public:
    // Starts the server; `arguments` are added to its command line (for example the package).
    void Start(const std::wstring& arguments = L"") { Launch(L"Z:\\usr\\bin\\python3", L"\"Z:\\usr\\bin\\python3\" ", arguments); }

#ifdef QLN_TEST_CERT_DIR
    // The same server speaking HTTPS on 127.0.0.1:443 with the named certificate of
    // tests/tools/make_test_certs.sh ("good", "wrong", "expired", "mirror"). Port 443 is one for the whole
    // machine: the server runs under flock on /tmp/qln-port443.lock, waiting for its turn.
    void StartTls(const std::wstring& certificate, const std::wstring& arguments = L"") {
        Launch(L"Z:\\usr\\bin\\flock", L"flock -w 240 /tmp/qln-port443.lock /usr/bin/python3 ",
               L"--http-port 443 " + TlsArguments(certificate) + arguments);
    }
    // The same on a free port of its own (Port()), which needs no lock.
    void StartTlsOnFreePort(const std::wstring& certificate, const std::wstring& arguments = L"") {
        Start(TlsArguments(certificate) + arguments);
    }

private:
    static std::wstring TlsArguments(const std::wstring& certificate) {
        const std::wstring dir = QLN_TEST_CERT_DIR;
        return L"--tls-cert \"" + dir + L"/" + certificate + L".pem\" --tls-key \"" + dir + L"/" + certificate +
               L".key\" ";
    }
#endif

private:
    void Launch(const wchar_t* application, const std::wstring& prefix, const std::wstring& arguments) {
        WSADATA wsa;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof(address);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);

        std::wstring command = prefix + L"\"" QLN_HTTP_TEST_SERVER L"\" --control " +
                               std::to_wstring(ntohs(address.sin_port)) + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        const BOOL started = CreateProcessW(application, command.data(), nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &process);
        if (process.hProcess) CloseHandle(process.hProcess);
        if (process.hThread) CloseHandle(process.hThread);
        // Waiting for the lock of port 443 may take as long as another run's TLS test.
        if (started && WaitReadable(listener, 250000)) control_ = accept(listener, nullptr, nullptr);
        closesocket(listener);
        ASSERT_NE(control_, INVALID_SOCKET) << "the test server did not call back";
        const std::string line = ReadLine();
        ASSERT_GE(sscanf(line.c_str(), "ports %d %d %d", &port_, &refusedPort_, &plainPort_), 2) << line;
    }

public:
    ~TestServer() {
        if (control_ != INVALID_SOCKET) closesocket(control_);
        WSACleanup();
    }

    std::wstring Url(const std::string& path, int port = 0) const {
        return L"http://127.0.0.1:" + std::to_wstring(port ? port : port_) + std::wstring(path.begin(), path.end());
    }
    // Ends the server now (it follows its control connection).
    void Stop() {
        if (control_ != INVALID_SOCKET) closesocket(control_);
        control_ = INVALID_SOCKET;
    }
    int Port() const { return port_; }
    int RefusedPort() const { return refusedPort_; }
    int PlainPort() const { return plainPort_; }

    // The next request the server received; the server reports it before it answers.
    ReceivedRequest Next() {
        ReceivedRequest request;
        const std::string line = ReadLine();
        if (line.rfind("record ", 0) != 0) {
            ADD_FAILURE() << "no request recorded";
            return request;
        }
        const std::string payload = Read(std::strtoul(line.c_str() + 7, nullptr, 10));
        const std::size_t end = payload.find("\r\n\r\n");
        request.body = payload.substr(end + 4);
        std::size_t at = payload.find("\r\n");
        request.requestLine = payload.substr(0, at);
        while (at < end) {
            const std::size_t next = payload.find("\r\n", at + 2);
            const std::string header = payload.substr(at + 2, next - at - 2);
            std::string name = header.substr(0, header.find(':'));
            for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            request.headers[name] = header.substr(header.find(':') + 2);
            at = next;
        }
        return request;
    }
    bool NothingReceived() { return !WaitReadable(control_, 300); }

private:
    static bool WaitReadable(SOCKET socket, DWORD milliseconds = kServerWait) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval timeout = {static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
        return select(0, &set, nullptr, nullptr, &timeout) == 1;
    }
    std::string Read(std::size_t length) {
        while (buffer_.size() < length) {
            char piece[65536];
            const int got = WaitReadable(control_) ? recv(control_, piece, sizeof(piece), 0) : 0;
            if (got <= 0) break;
            buffer_.append(piece, got);
        }
        std::string taken = buffer_.substr(0, length);
        buffer_.erase(0, taken.size());
        return taken;
    }
    std::string ReadLine() {
        std::string line;
        for (std::string c = Read(1); !c.empty() && c != "\n"; c = Read(1)) line += c;
        return line;
    }

    SOCKET control_ = INVALID_SOCKET;
    std::string buffer_;
    int port_ = 0;
    int refusedPort_ = 0;
    int plainPort_ = 0;
};


}  // namespace qln::test
