#pragma once
// Waiting in a server program's main thread until the user stops it: Ctrl-C, or SIGTERM
// where the system has it.
namespace quillmar {

class StopRequest {
 public:
  // Takes the stop requests over from their default handling. Make it before any thread
  // starts, so that none of them receives a request meant for Wait.
  StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Returns once a stop was requested (at once when one already was).
  void Wait();
};

}  // namespace quillmar
