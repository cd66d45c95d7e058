# sources added by the user-interface work
