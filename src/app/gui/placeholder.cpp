namespace plondex {}
