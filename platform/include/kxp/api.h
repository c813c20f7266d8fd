// Symbol visibility of the platform library's interface.
#pragma once

#if defined(_WIN32)
#define KXP_API __declspec(dllexport)
#else
#define KXP_API __attribute__((visibility("default")))
#endif
