// Start-up timing trace of the bench's instrumented build (bench/startup.cmake builds
// QuorlenInstallerTrace with QLN_STARTUP_TRACE). In the shipped program QLN_TRACE is nothing.
#pragma once

#ifdef QLN_STARTUP_TRACE
namespace qln {
void TraceStartup(const char* what);
void WriteStartupTrace();
}
#define QLN_TRACE(what) ::qln::TraceStartup(what)
#define QLN_TRACE_WRITE() ::qln::WriteStartupTrace()
#else
#define QLN_TRACE(what) ((void)0)
#define QLN_TRACE_WRITE() ((void)0)
#endif
