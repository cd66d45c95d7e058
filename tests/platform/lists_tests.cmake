# list tests
