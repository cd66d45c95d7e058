# media tests
