namespace quorlin::graphics { int placeholder = 0; }
