#include "webserver/Headers.h"

#include <ace/Log_Msg.h>
#include <strings.h>

#include <cctype>
#include <cstring>

bool Headers::find_line_end(const char* text, size_t* lineLength, size_t* breakLength) {
  const char* lf = std::strchr(text, '\n');
  if (!lf) return false;
  size_t at = static_cast<size_t>(lf - text);
  bool crlf = at > 0 && text[at - 1] == '\r';
  *breakLength = crlf ? 2 : 1;
  *lineLength = at + 1 - *breakLength;
  return true;
}

void Headers::remove_front(char* text, size_t count) {
  size_t rest = std::strlen(text + count);
  std::memmove(text, text + count, rest + 1);
}

int Headers::join_header_line(char* text) {
  size_t line = 0;
  size_t brk = 0;
  if (!find_line_end(text, &line, &brk)) return 0;
  if (line == 0) {
    remove_front(text, brk);
    end_of_headers_ = true;
    ACE_DEBUG((LM_DEBUG, "  (%t) no more headers\n"));
    return 0;
  }
  for (;;) {
    char next = text[line + brk];
    if (next == ' ' || next == '\t') {
      // A folded line: drop the break, keep the continuation's leading blanks.
      std::memmove(text + line, text + line + brk, std::strlen(text + line + brk) + 1);
      size_t more = 0;
      if (!find_line_end(text + line, &more, &brk)) return 0;
      line += more;
      continue;
    }
    if (next == '\n' || next == '\r' || std::isalpha(static_cast<unsigned char>(next))) return 1;
    return -1;
  }
}

void Headers::parse_header_line(char* text) {
  size_t line = 0;
  size_t brk = 0;
  if (!find_line_end(text, &line, &brk)) return;
  if (line == 0) {
    end_of_headers_ = true;
    remove_front(text, brk);
    return;
  }
  text[line] = '\0';
  // The name is the first token before ":" (leading colons skipped), the value the rest.
  char* start = text;
  while (*start == ':') ++start;
  char* colon = std::strchr(start, ':');
  const char* value = "";
  if (colon) {
    *colon = '\0';
    value = colon + 1;
  }
  ACE_DEBUG((LM_DEBUG, " (%t) Headers::parse_header_line [%s]\n", *start ? start : "<empty>"));
  if (strcasecmp(start, "Host") == 0) {
    while (std::isspace(static_cast<unsigned char>(*value))) ++value;
    hosts_.emplace_back(value);
  } else if (*start) {
    if (Header_Entry* entry = table_.find(start)) {
      while (std::isspace(static_cast<unsigned char>(*value))) ++value;
      entry->value = std::string(value);
      ACE_DEBUG((LM_DEBUG, " (%t) Headers::parse_header_line <%s>\n", value));
    }
  }
  // The line was cut with zero bytes; skip past its original extent.
  std::memmove(text, text + line + brk, std::strlen(text + line + brk) + 1);
}

const char* Headers::value(const char* name) {
  Header_Entry* entry = table_.find_or_insert(name);
  return (entry && entry->value) ? entry->value->c_str() : nullptr;
}
