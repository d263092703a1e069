#pragma once
#include <string>
#include <vector>

#include "webserver/Header_Table.h"

// The header store of a request: only registered names keep their values. Works on the
// zero-terminated text at the front of the receive buffer and removes each line it
// handles from it.
class Headers {
 public:
  // Whether the first line of `text` is complete: 1 complete (the next line starts a
  // new header), 0 no complete line yet or the blank line ending the headers was just
  // consumed, -1 complete but what follows is not yet known. Folded continuation lines
  // are joined into the first line on the way.
  int join_header_line(char* text);
  // Stores the value of the first line's header when its name is registered, then
  // removes the line.
  void parse_header_line(char* text);

  bool end_of_headers() const { return end_of_headers_; }
  void set_end_of_headers() { end_of_headers_ = true; }

  // Registers a name (its value stays absent until a line carries it).
  void register_name(const char* name) { table_.find_or_insert(name); }
  // The value stored for `name` (letter case ignored); null when absent.
  const char* value(const char* name);

  Header_Table& table() { return table_; }

  // The value of every Host line, in arrival order. Host is not registered and never
  // reaches the table (nor a CGI program); it is kept only to tell whom the client
  // believes it is talking to.
  const std::vector<std::string>& hosts() const { return hosts_; }

  // Where the first line of `text` ends: `*eol` at its line feed, `*breakLength` 1 or 2
  // (CR LF). False when there is no line feed.
  static bool find_line_end(const char* text, size_t* lineLength, size_t* breakLength);
  // Removes `count` bytes from the front of the zero-terminated `text`.
  static void remove_front(char* text, size_t count);

 private:
  Header_Table table_;
  std::vector<std::string> hosts_;
  bool end_of_headers_ = false;
};
