// A process that binds the real libOvantisHook.so and answers one line per
// command on stdin, so tests can play controller and viewer side by side.
#include "OvantisHook.h"

#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        long a = 0, b = 0, c = 0, d = 0;
        in >> a >> b >> c >> d;
        if (command == "install") {
            InstallHooks();
            std::cout << "ok\n";
        } else if (command == "remove") {
            RemoveHooks();
            std::cout << "ok\n";
        } else if (command == "keys") {
            std::cout << GetKeyClicks() << "\n";
        } else if (command == "clicks") {
            std::cout << GetMouseClicks() << "\n";
        } else if (command == "setkeys") {
            std::cout << SetKeyCount(static_cast<int>(a)) << "\n";
        } else if (command == "setclicks") {
            std::cout << SetMouseCount(static_cast<int>(a)) << "\n";
        } else if (command == "key") { // key <vk> <keycode>: one press and release
            KeyboardProc(0, static_cast<unsigned>(a), (b << 16) | 1);
            KeyboardProc(0, static_cast<unsigned>(a), (b << 16) | 1 | (1L << 30) | (1L << 31));
            std::cout << "ok\n";
        } else if (command == "down") { // down <vk> <keycode>
            KeyboardProc(0, static_cast<unsigned>(a), (b << 16) | 1);
            std::cout << "ok\n";
        } else if (command == "up") { // up <vk> <keycode>
            KeyboardProc(0, static_cast<unsigned>(a), (b << 16) | 1 | (1L << 30) | (1L << 31));
            std::cout << "ok\n";
        } else if (command == "mouse") { // mouse <message>
            MouseProc(0, static_cast<unsigned>(a), 0);
            std::cout << "ok\n";
        } else if (command == "keytime") {
            std::cout << GetLastKeystrokeTime() << "\n";
        } else if (command == "mousetime") {
            std::cout << GetLastMouseTime() << "\n";
        } else if (command == "enable") {
            EnableHotKey(static_cast<int>(a));
            std::cout << "ok\n";
        } else if (command == "sethotkey") {
            std::cout << SetHotKey(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c),
                                   static_cast<int>(d))
                      << "\n";
        } else if (command == "pressed") {
            std::cout << WasHotKeyPressed() << "\n";
        } else if (command == "pid") {
            std::cout << getpid() << "\n";
        } else if (command == "quit") {
            std::cout << "bye" << std::endl;
            return 0;
        } else {
            std::cout << "?\n";
        }
        std::cout.flush();
    }
    return 0;
}
