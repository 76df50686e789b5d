// Login-status notice: display time, reachability poll and tray pictures, against the service simulator.
int main() { return 0; }
