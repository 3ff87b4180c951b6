// Keeps the library non-empty until its first service lands.
