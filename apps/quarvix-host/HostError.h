#pragma once
// A failure the host program reports with one message and a non-zero exit
// status.

#include <stdexcept>
#include <string>

class HostError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
