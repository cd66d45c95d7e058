# user-interface tests
