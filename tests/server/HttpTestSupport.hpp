#pragma once

#include <string>

// Sends raw bytes to 127.0.0.1:port and returns everything the server sends back until it
// closes the connection (or, with `stopAfter` set, until that many bytes have come).
std::string ExchangeRaw(int port, const std::string& request, std::size_t stopAfter = 0);

// The status code of the first response in raw HTTP text, or 0.
int StatusOf(const std::string& response);
