# sources added by the list work
