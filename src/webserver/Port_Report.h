#pragma once

// Tells whoever started the program which port its server took, when they asked for it
// by naming a file in VARNOK_PORT_FILE (tests, which start their programs on any free
// port). The file gets the port in decimal and a line end once the server listens on
// both loopback addresses; it appears whole or not at all.
class Port_Report {
 public:
  static void publish(int port);
};
